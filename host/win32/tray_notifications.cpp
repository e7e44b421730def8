// The program's notification-area icon and its clicks.
#include "host/core/runtime.h"
#include "host/host_constants.h"
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

void Win32WindowSystem::set_tray_icon(WindowInstance& window, std::span<const std::uint8_t> icon,
                                      std::string_view tip) {
    tray_->show(icon, tip);
    tray_window_serial_ = window.serial;
}

void Win32WindowSystem::remove_tray_icon() {
    tray_->remove();
    tray_window_serial_ = 0;
}

void Win32WindowSystem::tray_message(LPARAM lparam) {
    if (LOWORD(lparam) != WM_LBUTTONUP || runtime_ == nullptr) return;
    for (WindowInstance* w : runtime_->open_windows()) {
        if (w->serial == tray_window_serial_) {
            runtime_->tray_notify(*w, tray_kind::left_click);
            return;
        }
    }
}

}  // namespace tockly::host::win32
