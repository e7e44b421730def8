// Tockly's windows, controls and menu items by the names of its design, with the identifiers under
// which the host knows them, each with its role (hidden units serve the handlers as variables). A
// unit is always addressed by its window and its own identifier.
#pragma once

#include <cstdint>

#include "image/unit_type.h"

namespace tockly::app {

using image::UnitType;

struct Unit {
    std::uint32_t window;  // identifier of the window holding the unit
    std::uint32_t id;      // identifier of the unit (a window's self-unit for the window itself)
    UnitType type;
};

inline constexpr std::uint32_t main_window_id = 0x52010001;
inline constexpr std::uint32_t popup_window_id = 0x5201007B;
inline constexpr std::uint32_t main_window_class_id = 0x19010004;
inline constexpr std::uint32_t popup_window_class_id = 0x1901007C;
// The low 24 bits of the highest identifier in the image (标签10).
inline constexpr std::uint32_t identifier_counter = 0x1018C;

// The main window itself and its controls, in the form's order (topmost first).
// the main window itself
inline constexpr Unit 主窗口{main_window_id, 0x06010000, UnitType::window};
// hidden: the modify flag, "改" while an entry is being modified
inline constexpr Unit 标签10{main_window_id, 0x1601018C, UnitType::label};
// hidden: the list index of the row being modified, as decimal text
inline constexpr Unit 编辑框索引{main_window_id, 0x16010157, UnitType::edit_box};
// "保存修改": saves the entry being modified
inline constexpr Unit 按钮4{main_window_id, 0x16010141, UnitType::button};
// the chosen second, drawn over 组合框3
inline constexpr Unit 标签三{main_window_id, 0x16010131, UnitType::label};
// the chosen minute, drawn over 组合框2
inline constexpr Unit 标签二{main_window_id, 0x16010130, UnitType::label};
// the chosen hour, drawn over 组合框1
inline constexpr Unit 标签一{main_window_id, 0x1601012F, UnitType::label};
// second chooser
inline constexpr Unit 组合框3{main_window_id, 0x1601012A, UnitType::combo_box};
// hidden: the read buffer, the table as read at start-up (emptied once split into rows)
inline constexpr Unit 编辑框读表{main_window_id, 0x160100FF, UnitType::edit_box};
// hidden: the write buffer, the table as last saved
inline constexpr Unit 编辑框写表{main_window_id, 0x160100FE, UnitType::edit_box};
// the pop-up System menu
inline constexpr Unit 系统{main_window_id, 0x260100EF, UnitType::menu_item};
// menu item About
inline constexpr Unit 关于{main_window_id, 0x260100F0, UnitType::menu_item};
// menu item Exit
inline constexpr Unit 退出{main_window_id, 0x260100F1, UnitType::menu_item};
// hidden: the popup mode, "0" reminder, "1" chime, "2" About
inline constexpr Unit 标签9{main_window_id, 0x160100DE, UnitType::label};
// the hourly chime switch
inline constexpr Unit 选择框1{main_window_id, 0x160100C3, UnitType::check_box};
// file dialog: the program to run
inline constexpr Unit 通用对话框2{main_window_id, 0x160100C2, UnitType::common_dialog};
// file dialog: the ringtone
inline constexpr Unit 通用对话框1{main_window_id, 0x16010078, UnitType::common_dialog};
// the list's column headings
inline constexpr Unit 标签8{main_window_id, 0x16010075, UnitType::label};
// hidden: the countdown target's second
inline constexpr Unit 编辑框c{main_window_id, 0x16010070, UnitType::edit_box};
// hidden: the countdown target's minute with ":"
inline constexpr Unit 编辑框b{main_window_id, 0x1601006F, UnitType::edit_box};
// hidden: the countdown target's hour with ":"
inline constexpr Unit 编辑框a{main_window_id, 0x16010066, UnitType::edit_box};
// "选择铃声": chooses the ringtone
inline constexpr Unit 按钮3{main_window_id, 0x1601004B, UnitType::button};
// the ringtone path
inline constexpr Unit 编辑框5{main_window_id, 0x1601004A, UnitType::edit_box};
// the hint "--- 输入分钟"
inline constexpr Unit 标签7{main_window_id, 0x16010048, UnitType::label};
// countdown minutes
inline constexpr Unit 编辑框4{main_window_id, 0x16010047, UnitType::edit_box};
// group "按倒计时"
inline constexpr Unit 分组框2{main_window_id, 0x16010046, UnitType::group_box};
// "秒" beside the second chooser
inline constexpr Unit 标签6{main_window_id, 0x16010044, UnitType::label};
// "分" beside the minute chooser
inline constexpr Unit 标签5{main_window_id, 0x16010043, UnitType::label};
// "时" beside the hour chooser
inline constexpr Unit 标签4{main_window_id, 0x16010042, UnitType::label};
// function: scheduled shutdown
inline constexpr Unit 单选框3{main_window_id, 0x16010041, UnitType::radio_button};
// function: run a program
inline constexpr Unit 单选框2{main_window_id, 0x16010040, UnitType::radio_button};
// function: friendly reminder
inline constexpr Unit 单选框1{main_window_id, 0x1601003F, UnitType::radio_button};
// the shutdown notice (disabled)
inline constexpr Unit 编辑框3{main_window_id, 0x1601003E, UnitType::edit_box};
// the program path
inline constexpr Unit 编辑框2{main_window_id, 0x1601003D, UnitType::edit_box};
// the reminder message
inline constexpr Unit 编辑框1{main_window_id, 0x1601003C, UnitType::edit_box};
// "删除时间": deletes the selected row
inline constexpr Unit 按钮2{main_window_id, 0x16010032, UnitType::button};
// "添加时间": adds an entry
inline constexpr Unit 按钮1{main_window_id, 0x16010025, UnitType::button};
// the schedule table: one row per entry
inline constexpr Unit 列表框1{main_window_id, 0x16010024, UnitType::list_box};
// clock: seconds
inline constexpr Unit 标签3{main_window_id, 0x1601001B, UnitType::label};
// clock: minutes with ":"
inline constexpr Unit 标签2{main_window_id, 0x1601001A, UnitType::label};
// the one-second tick
inline constexpr Unit 时钟1{main_window_id, 0x16010007, UnitType::timer};
// clock: hour with ":"
inline constexpr Unit 标签1{main_window_id, 0x16010006, UnitType::label};
// group "按时间"
inline constexpr Unit 分组框1{main_window_id, 0x16010045, UnitType::group_box};
// group "选择功能"
inline constexpr Unit 分组框3{main_window_id, 0x16010049, UnitType::group_box};
// the frame beneath the column headings
inline constexpr Unit 外形框1{main_window_id, 0x16010076, UnitType::shape_box};
// hour chooser
inline constexpr Unit 组合框1{main_window_id, 0x16010128, UnitType::combo_box};
// minute chooser
inline constexpr Unit 组合框2{main_window_id, 0x16010129, UnitType::combo_box};

// The popup window itself and its units.
// the popup window itself
inline constexpr Unit 弹出窗口{popup_window_id, 0x0601007A, UnitType::window};
// closes a chime popup after 5 seconds
inline constexpr Unit 时钟2{popup_window_id, 0x160100DF, UnitType::timer};
// the popup label: the whole popup's text
inline constexpr Unit 标签{popup_window_id, 0x160100C6, UnitType::label};

}  // namespace tockly::app
