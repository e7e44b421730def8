// Tockly's windows, controls and menu items by the names of its design, with the identifiers under
// which the host knows them. A unit is always addressed by its window and its own identifier.
#pragma once

#include <cstdint>

namespace tockly::app {

struct Unit {
    std::uint32_t window;  // identifier of the window holding the unit
    std::uint32_t id;      // identifier of the unit (a window's self-unit for the window itself)
    std::uint32_t type;    // type number in the form data (1 window, 3 menu item, 5 edit box, ...)
};

namespace type_number {
inline constexpr std::uint32_t window = 1;
inline constexpr std::uint32_t menu_item = 3;
inline constexpr std::uint32_t edit_box = 5;
inline constexpr std::uint32_t shape_box = 7;
inline constexpr std::uint32_t group_box = 9;
inline constexpr std::uint32_t label = 10;
inline constexpr std::uint32_t button = 11;
inline constexpr std::uint32_t check_box = 12;
inline constexpr std::uint32_t radio_button = 13;
inline constexpr std::uint32_t combo_box = 14;
inline constexpr std::uint32_t list_box = 15;
inline constexpr std::uint32_t common_dialog = 31;
inline constexpr std::uint32_t timer = 32;
}  // namespace type_number

inline constexpr std::uint32_t main_window_id = 0x52010001;
inline constexpr std::uint32_t popup_window_id = 0x5201007B;
inline constexpr std::uint32_t main_window_class_id = 0x19010004;
inline constexpr std::uint32_t popup_window_class_id = 0x1901007C;
// The low 24 bits of the highest identifier in the image (标签10).
inline constexpr std::uint32_t identifier_counter = 0x1018C;

namespace tn = type_number;

// The main window itself and its controls, in the form's order (topmost first).
inline constexpr Unit 主窗口{main_window_id, 0x06010000, tn::window};
inline constexpr Unit 标签10{main_window_id, 0x1601018C, tn::label};
inline constexpr Unit 编辑框索引{main_window_id, 0x16010157, tn::edit_box};
inline constexpr Unit 按钮4{main_window_id, 0x16010141, tn::button};
inline constexpr Unit 标签三{main_window_id, 0x16010131, tn::label};
inline constexpr Unit 标签二{main_window_id, 0x16010130, tn::label};
inline constexpr Unit 标签一{main_window_id, 0x1601012F, tn::label};
inline constexpr Unit 组合框3{main_window_id, 0x1601012A, tn::combo_box};
inline constexpr Unit 编辑框读表{main_window_id, 0x160100FF, tn::edit_box};
inline constexpr Unit 编辑框写表{main_window_id, 0x160100FE, tn::edit_box};
inline constexpr Unit 系统{main_window_id, 0x260100EF, tn::menu_item};
inline constexpr Unit 关于{main_window_id, 0x260100F0, tn::menu_item};
inline constexpr Unit 退出{main_window_id, 0x260100F1, tn::menu_item};
inline constexpr Unit 标签9{main_window_id, 0x160100DE, tn::label};
inline constexpr Unit 选择框1{main_window_id, 0x160100C3, tn::check_box};
inline constexpr Unit 通用对话框2{main_window_id, 0x160100C2, tn::common_dialog};
inline constexpr Unit 通用对话框1{main_window_id, 0x16010078, tn::common_dialog};
inline constexpr Unit 标签8{main_window_id, 0x16010075, tn::label};
inline constexpr Unit 编辑框c{main_window_id, 0x16010070, tn::edit_box};
inline constexpr Unit 编辑框b{main_window_id, 0x1601006F, tn::edit_box};
inline constexpr Unit 编辑框a{main_window_id, 0x16010066, tn::edit_box};
inline constexpr Unit 按钮3{main_window_id, 0x1601004B, tn::button};
inline constexpr Unit 编辑框5{main_window_id, 0x1601004A, tn::edit_box};
inline constexpr Unit 标签7{main_window_id, 0x16010048, tn::label};
inline constexpr Unit 编辑框4{main_window_id, 0x16010047, tn::edit_box};
inline constexpr Unit 分组框2{main_window_id, 0x16010046, tn::group_box};
inline constexpr Unit 标签6{main_window_id, 0x16010044, tn::label};
inline constexpr Unit 标签5{main_window_id, 0x16010043, tn::label};
inline constexpr Unit 标签4{main_window_id, 0x16010042, tn::label};
inline constexpr Unit 单选框3{main_window_id, 0x16010041, tn::radio_button};
inline constexpr Unit 单选框2{main_window_id, 0x16010040, tn::radio_button};
inline constexpr Unit 单选框1{main_window_id, 0x1601003F, tn::radio_button};
inline constexpr Unit 编辑框3{main_window_id, 0x1601003E, tn::edit_box};
inline constexpr Unit 编辑框2{main_window_id, 0x1601003D, tn::edit_box};
inline constexpr Unit 编辑框1{main_window_id, 0x1601003C, tn::edit_box};
inline constexpr Unit 按钮2{main_window_id, 0x16010032, tn::button};
inline constexpr Unit 按钮1{main_window_id, 0x16010025, tn::button};
inline constexpr Unit 列表框1{main_window_id, 0x16010024, tn::list_box};
inline constexpr Unit 标签3{main_window_id, 0x1601001B, tn::label};
inline constexpr Unit 标签2{main_window_id, 0x1601001A, tn::label};
inline constexpr Unit 时钟1{main_window_id, 0x16010007, tn::timer};
inline constexpr Unit 标签1{main_window_id, 0x16010006, tn::label};
inline constexpr Unit 分组框1{main_window_id, 0x16010045, tn::group_box};
inline constexpr Unit 分组框3{main_window_id, 0x16010049, tn::group_box};
inline constexpr Unit 外形框1{main_window_id, 0x16010076, tn::shape_box};
inline constexpr Unit 组合框1{main_window_id, 0x16010128, tn::combo_box};
inline constexpr Unit 组合框2{main_window_id, 0x16010129, tn::combo_box};

// The popup window itself and its units.
inline constexpr Unit 弹出窗口{popup_window_id, 0x0601007A, tn::window};
inline constexpr Unit 时钟2{popup_window_id, 0x160100DF, tn::timer};
inline constexpr Unit 标签{popup_window_id, 0x160100C6, tn::label};

}  // namespace tockly::app
