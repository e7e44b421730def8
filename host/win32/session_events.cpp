// Living with Windows: another start from the same folder, the session's end, the clock set,
// waking up.
#include "host/core/runtime.h"
#include "host/host_constants.h"
#include "host/win32/single_instance.h"
#include "host/win32/trace.h"
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

bool Win32WindowSystem::life_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    (void)lparam;
    if (message == bring_back_message()) {
        // Another start from our folder asks for the main window. Answer at once (it waits) and
        // bring the window back once whatever runs now has ended, as a tray click would.
        if (wparam == 0) PostMessageW(host_window_.get(), message, 1, 0);
        if (wparam == 1) bring_back_main_window();
        result = kBringBackAnswer;
        return true;
    }
    switch (message) {
        case WM_QUERYENDSESSION:
            // Nothing to keep: every save is already a whole file. Never hold Windows up.
            if (trace_ != nullptr) trace_->write(trace_->line("query_end_session").number("flags", lparam));
            result = TRUE;
            return true;
        case WM_ENDSESSION:
            if (wparam != FALSE) end_with_session();
            result = 0;
            return true;
        case WM_TIMECHANGE:
            rearm_second_timers("time_change");
            result = 0;
            return true;
        case WM_POWERBROADCAST:
            if (wparam == PBT_APMRESUMEAUTOMATIC || wparam == PBT_APMRESUMESUSPEND)
                rearm_second_timers("resume");
            result = TRUE;
            return true;
        default:
            return false;
    }
}

void Win32WindowSystem::bring_back_main_window() {
    if (runtime_ == nullptr || ended_) return;
    const auto it = windows_.find(start_serial_);
    if (it == windows_.end()) return;
    WindowData& data = *it->second;
    if (trace_ != nullptr) trace_->write(trace_->line("bring_back"));
    runtime_->tray_notify(data.instance, tray_kind::left_click);
    // The notification may have closed it: look again.
    const auto still = windows_.find(start_serial_);
    if (still != windows_.end() && IsWindowVisible(still->second->hwnd.get()))
        SetForegroundWindow(still->second->hwnd.get());
}

void Win32WindowSystem::end_with_session() {
    if (trace_ != nullptr) trace_->write(trace_->line("end_session"));
    // The same end as Exit, without waiting for the message loop: Windows ends the process once
    // this message returns. The end stops the timers and the sound and takes the tray icon away.
    if (runtime_ != nullptr && !runtime_->finished()) {
        runtime_->finish();
    } else {
        shut_down();
    }
    ExitProcess(0);
}

void Win32WindowSystem::rearm_second_timers(const char* why) {
    // A timer armed for a boundary of the old time would fall at the wrong moment (or not for
    // hours): arm each clock's timer afresh for the next boundary of the time as it reads now.
    const int rearmed = timers_ ? timers_->rearm_clock_timers() : 0;
    if (trace_ != nullptr) trace_->write(trace_->line("rearm").text("why", why).number("timers", rearmed));
}

}  // namespace tockly::host::win32
