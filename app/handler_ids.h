// Every event handler of Tockly, by its place in the handler table. The form binds events to the
// code offsets of the image's handler routines, and each routine names one of these indices.
#pragma once

#include <cstdint>

namespace tockly::app {

enum class HandlerId : std::uint32_t {
    on_main_created,      // main window: creation complete (start-up)
    on_tray_notify,       // main window: tray icon notification (1 argument: the kind)
    on_main_placement,    // main window: placement state changed
    on_main_rclick,       // main window: right mouse button (3 arguments)
    on_tick,              // 时钟1: tick
    on_add,               // 按钮1 "添加时间"
    on_delete,            // 按钮2 "删除时间"
    on_save_changes,      // 按钮4 "保存修改"
    on_list_dblclick,     // 列表框1: double-clicked (3 arguments)
    on_hour_chosen,       // 组合框1: current item changed
    on_minute_chosen,     // 组合框2
    on_second_chosen,     // 组合框3
    on_reminder_radio,    // 单选框1 clicked
    on_program_radio,     // 单选框2 clicked
    on_countdown_typed,   // 编辑框4: content changed
    on_choose_ringtone,   // 按钮3 "选择铃声"
    on_about,             // menu "关于"
    on_exit,              // menu "退出"
    on_popup_created,     // popup window: creation complete
    on_popup_destroy,     // popup window: about to be destroyed
    on_popup_rclick,      // popup window: right mouse button (3 arguments)
    on_popup_timer,       // 时钟2: tick
    count
};

inline constexpr std::uint32_t handler_count = static_cast<std::uint32_t>(HandlerId::count);

// 32-bit arguments each handler's event passes.
inline constexpr std::uint32_t handler_arg_count(HandlerId id) {
    switch (id) {
        case HandlerId::on_tray_notify: return 1;
        case HandlerId::on_main_rclick:
        case HandlerId::on_list_dblclick:
        case HandlerId::on_popup_rclick: return 3;
        default: return 0;
    }
}

}  // namespace tockly::app
