// Messages of Tockly's windows: what the user does comes back to the core through its input entry
// points the moment it happens, and nothing else changes the unit state; the core never asks a
// control for its state.
#include "host/core/arg_access.h"
#include "host/core/runtime.h"
#include "host/host_constants.h"
#include "host/win32/control_text.h"
#include "host/win32/window_system.h"
#include "image/form_format.h"

namespace tockly::host::win32 {

LRESULT Win32WindowSystem::window_message(WindowData& data, HWND hwnd, UINT message, WPARAM wparam,
                                          LPARAM lparam) {
    if (runtime_ == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    WindowInstance* window = &data.instance;
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
            if (window->serial == start_serial_) {
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
    UnitState* found = unit_with_control_id(data, LOWORD(wparam));
    if (found == nullptr) return;
    WindowInstance* window = &data.instance;
    UnitState& unit = *found;
    const auto hwnd = reinterpret_cast<HWND>(lparam);  // the control itself
    const UINT code = HIWORD(wparam);
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
            // Buttons, check boxes and radio buttons; the core itself turns away what cannot be
            // clicked.
            if (code == BN_CLICKED) runtime_->click(*window, unit);
            break;
    }
}

LRESULT Win32WindowSystem::control_colours(WindowData& data, HDC dc, HWND hwnd) {
    const COLORREF window_bg = window_background(data.instance);
    const UnitState* control = unit_of_control(data, hwnd);
    if (control == nullptr) {
        SetBkColor(dc, window_bg);
        return reinterpret_cast<LRESULT>(brush(window_bg));
    }
    const UnitState& unit = *control;
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

}  // namespace tockly::host::win32
