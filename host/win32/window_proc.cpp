// Messages of Tockly's windows and of the host's hidden window: what the user does comes back to
// the core through its input entry points the moment it happens, and nothing else changes the unit
// state; the core never asks a control for its state.
#include <exception>
#include <memory>
#include <string>

#include "host/core/arg_access.h"
#include "host/core/runtime.h"
#include "host/core/unit_type_rules.h"
#include "host/core/wide_text_win32.h"
#include "host/host_constants.h"
#include "host/win32/internal_error_guard.h"
#include "host/win32/single_instance.h"
#include "host/win32/trace.h"
#include "host/win32/window_classes.h"
#include "host/win32/window_system.h"
#include "image/form_format.h"

namespace tockly::host::win32 {

namespace {

Win32WindowSystem* g_system = nullptr;

LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* data = reinterpret_cast<Win32WindowSystem::WindowData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (data == nullptr || g_system == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    return guard_internal_errors(
        [&] { return g_system->window_message(*data, hwnd, message, wparam, lparam); });
}

LRESULT CALLBACK host_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (g_system == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    return guard_internal_errors([&] { return g_system->host_message(hwnd, message, wparam, lparam); });
}

}  // namespace

HINSTANCE module_instance() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&module_instance), &module);
    return module;
}

void register_window_classes(Win32WindowSystem& system, HINSTANCE instance) {
    g_system = &system;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    // The program's own icon, when the executable carries it.
    HMODULE exe = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(exe, MAKEINTRESOURCEW(kProgramIconId));
    if (wc.hIcon == nullptr) wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);

    WNDCLASSEXW host{};
    host.cbSize = sizeof host;
    host.lpfnWndProc = host_proc;
    host.hInstance = instance;
    host.lpszClassName = kHostClass;
    RegisterClassExW(&host);
}

void unregister_window_classes(HINSTANCE instance) {
    UnregisterClassW(kWindowClass, instance);
    UnregisterClassW(kHostClass, instance);
    g_system = nullptr;
}

void end_after_internal_error(const char* what) {
    const std::wstring text = L"Tockly 遇到内部错误，即将结束。\n" + wide_from_gbk(what);
    MessageBoxW(nullptr, text.c_str(), L"Tockly", MB_OK | MB_ICONERROR);
    ExitProcess(3);
}

LRESULT Win32WindowSystem::window_message(WindowData& data, HWND hwnd, UINT message, WPARAM wparam,
                                          LPARAM lparam) {
    WindowInstance* window = instance_of(data);
    if (window == nullptr || runtime_ == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    switch (message) {
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(wparam), &r, brush(window_background(*window)));
            return 1;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            return control_colours(data, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
        case WM_COMMAND:
            command_message(data, wparam, lparam);
            return 0;
        case WM_RBUTTONDOWN:
            // The core may close this window: nothing of it is touched after the call.
            runtime_->right_click(*window);
            return 0;
        case WM_SIZE:
            if (data.updating == 0 && data.shown) {
                if (wparam == SIZE_MINIMIZED) {
                    runtime_->minimize(*window);
                    return 0;
                }
                if (wparam == SIZE_RESTORED || wparam == SIZE_MAXIMIZED) runtime_->restored(*window);
            }
            return 0;
        case WM_CLOSE:
            // The close button of the start-up window closes it as Exit does: the program ends.
            // Other windows close only as the program decides.
            if (data.serial == start_serial_) {
                const UnitState& self = window->self();
                ArgRecord unit{window->id(), self.id(),
                               type_word::unit(static_cast<std::uint32_t>(UnitType::window))};
                runtime_->call_core(command::close_window, std::span<const ArgRecord>(&unit, 1));
            }
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

void Win32WindowSystem::command_message(WindowData& data, WPARAM wparam, LPARAM lparam) {
    if (data.updating != 0 || lparam == 0) return;  // the host's own changes are no input
    WindowInstance* window = instance_of(data);
    const int id = LOWORD(wparam);
    if (window == nullptr || id < kFirstControlId) return;
    const auto index = static_cast<std::size_t>(id - kFirstControlId);
    if (index >= window->units.size()) return;
    UnitState& unit = window->units[index];
    Control* control = control_of(data, unit.id());
    if (control == nullptr) return;
    HWND hwnd = control->hwnd;
    const UINT code = HIWORD(wparam);
    if (rules_of(unit.type()).clickable) {
        if (code == BN_CLICKED) runtime_->click(*window, unit);
        return;
    }
    // Input the core turns away is taken back off the screen: the control shows the core's state,
    // never text, a row or an item the program does not know of.
    switch (unit.type()) {
        case UnitType::combo_box:
            if (code == CBN_SELCHANGE) {
                const auto chosen = static_cast<std::int32_t>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0));
                if (!runtime_->choose(*window, unit, chosen)) unit_changed(*window, unit, Change::selection);
            }
            break;
        case UnitType::edit_box:
            if (code == EN_CHANGE && !runtime_->type_text(*window, unit, control_text(hwnd)))
                unit_changed(*window, unit, Change::text);
            break;
        case UnitType::list_box:
            if (code == LBN_SELCHANGE) {
                const auto chosen = static_cast<std::int32_t>(SendMessageW(hwnd, LB_GETCURSEL, 0, 0));
                if (!runtime_->select(*window, unit, chosen)) unit_changed(*window, unit, Change::selection);
            } else if (code == LBN_DBLCLK) {
                runtime_->double_click(*window, unit);
            }
            break;
        default:
            break;
    }
}

LRESULT Win32WindowSystem::control_colours(WindowData& data, HDC dc, HWND hwnd) {
    WindowInstance* window = instance_of(data);
    Control* control = control_by_hwnd(data, hwnd);
    // The list of a drop-down combo box is a window of its own inside the control.
    if (control == nullptr) control = control_by_hwnd(data, GetParent(hwnd));
    if (window == nullptr) return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    const COLORREF window_bg = window_background(*window);
    if (control == nullptr || control->index >= window->units.size()) {
        SetBkColor(dc, window_bg);
        return reinterpret_cast<LRESULT>(brush(window_bg));
    }
    const UnitState& unit = window->units[control->index];
    const std::uint32_t own_bg = unit.design->background;
    const COLORREF bg = image::form_format::is_no_colour(own_bg) ? window_bg : static_cast<COLORREF>(own_bg);
    if (unit.type() == UnitType::edit_box && unit.disabled) {
        // A disabled edit box shows the system's greyed text on its own background.
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    } else {
        SetTextColor(dc, static_cast<COLORREF>(unit.text_colour & 0x00FFFFFFu));
    }
    SetBkColor(dc, bg);
    return reinterpret_cast<LRESULT>(brush(bg));
}

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
    if (host_window_ != nullptr &&
        PostMessageW(host_window_, kSaveOutcomeMessage, static_cast<WPARAM>(outcome),
                     reinterpret_cast<LPARAM>(owned.get())))
        owned.release();  // the window thread owns it now
}

// --- Living with Windows: another start, the session's end, the clock set, waking up ------------

bool Win32WindowSystem::life_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    (void)lparam;
    if (message == bring_back_message()) {
        // Another start from our folder asks for the main window. Answer at once (it waits) and
        // bring the window back once whatever runs now has ended, as a tray click would.
        if (wparam == 0) PostMessageW(host_window_, message, 1, 0);
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
    for (WindowInstance* w : runtime_->open_windows()) {
        if (w->serial != start_serial_ || w->destroyed) continue;
        if (trace_ != nullptr) trace_->write(trace_->line("bring_back"));
        runtime_->tray_notify(*w, 3);
        WindowData* data = data_of(*w);
        if (data != nullptr && IsWindowVisible(data->hwnd)) SetForegroundWindow(data->hwnd);
        return;
    }
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
