// Messages of the host's hidden window: timers, the notification-area icon, the sound thread's and
// the writer thread's reports, a chosen menu item, and what Windows tells every program.
#include <memory>
#include <string>

#include "host/core/runtime.h"
#include "host/win32/private_messages.h"
#include "host/win32/trace.h"
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

LRESULT Win32WindowSystem::host_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER) {
        timer_message(static_cast<UINT_PTR>(wparam));
        return 0;
    }
    if (message == kTrayMessage) {
        tray_message(lparam);
        return 0;
    }
    if (message == kSoundMessage) {
        sound_message(wparam, lparam);
        return 0;
    }
    if (message == kSaveOutcomeMessage) {
        std::unique_ptr<std::string> path(reinterpret_cast<std::string*>(lparam));
        if (!path) return 0;
        const auto outcome = static_cast<ReplaceOutcome>(wparam);
        if (outcome == ReplaceOutcome::busy) {
            // Only seen: the writer tries again after a pause.
            if (trace_ != nullptr) trace_->write(trace_->line("save_busy").text("path", Trace::utf8(*path)));
            return 0;
        }
        const bool stored = outcome == ReplaceOutcome::stored;
        if (trace_ != nullptr)
            trace_->write(trace_->line("saved").text("path", Trace::utf8(*path)).boolean("stored", stored));
        if (runtime_ != nullptr) runtime_->save_finished(*path, stored);
        return 0;
    }
    if (message == kMenuChosenMessage) {
        // Delivered after the handler that popped the menu has ended.
        if (runtime_ != nullptr && chosen_menu_item_) {
            const std::uint32_t item = *chosen_menu_item_;
            chosen_menu_item_.reset();
            runtime_->choose_menu_item(item);
        }
        return 0;
    }
    if (LRESULT result = 0; life_message(message, wparam, lparam, result)) return result;
    if (tray_ && tray_->shell_restarted(message)) return 0;
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

void Win32WindowSystem::report_save(const std::string& path, ReplaceOutcome outcome) {
    auto owned = std::make_unique<std::string>(path);
    if (host_window_ && PostMessageW(host_window_.get(), kSaveOutcomeMessage, static_cast<WPARAM>(outcome),
                                     reinterpret_cast<LPARAM>(owned.get())))
        owned.release();  // the window thread owns it now
}

}  // namespace tockly::host::win32
