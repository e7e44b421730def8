// The main window's tray icon, and the System menu's About and Exit.
#include "app/constants.h"
#include "app/flows.h"
#include "app/handlers.h"
#include "app/units.h"

namespace tockly::app::handlers {

void on_main_placement(Host& host, const std::uint32_t*) {
    if (calls::read_int(host, 主窗口, host::property::window_placement) !=
        static_cast<std::int32_t>(host::placement::minimised))
        return;
    calls::write_int(host, 主窗口, host::property::window_visible, 0);
    calls::set_tray_icon(host, 主窗口, pool_item(ConstId::icon), k(ConstId::tray_tip));
    calls::write_int(host, 主窗口, host::property::window_visible, 0);
}

void on_tray_notify(Host& host, const std::uint32_t* args) {
    if (args == nullptr || args[0] != host::tray_kind::left_click) return;
    calls::write_int(host, 主窗口, host::property::window_visible, 1);
    calls::write_int(host, 主窗口, host::property::window_placement,
                     static_cast<std::int32_t>(host::placement::normal));
}

void on_about(Host& host, const std::uint32_t*) {
    calls::set_text(host, 标签9, k(ConstId::mode_about));
    calls::open_window(host, 弹出窗口, true);
}

void on_exit(Host& host, const std::uint32_t*) {
    calls::close_window(host, 主窗口);
}

}  // namespace tockly::app::handlers
