// The Windows control that shows each unit type, one row per row of image/unit_type.h: its window
// class and styles, and how it follows the unit's state.
#pragma once

#include <windows.h>

#include "host/core/unit_design.h"
#include "image/unit_type.h"

namespace tockly::host::win32 {

struct ControlKind {
    UnitType type;
    // Null: the unit has no control (a window's self-unit, a menu item, a dialog, a timer).
    const wchar_t* window_class = nullptr;
    DWORD style = 0;
    DWORD ex_style = 0;
    // Styles that follow the unit's design values.
    DWORD (*design_style)(const UnitDesign&) = nullptr;
    bool shows_caption = false;  // the unit's text is the control's window text
    bool takes_font = true;
    // A label never really becomes disabled: a disabled static draws its text grey, and a label
    // passes mouse input to its window anyway.
    bool can_disable = true;
    // A drop-down list: how far it opens below the box (in design pixels).
    int drop_down_height = 0;
};

inline DWORD label_alignment(const UnitDesign& design) {
    return (design.centred ? SS_CENTER : SS_LEFT) | (design.v_centred ? SS_CENTERIMAGE : 0);
}

// A label centred both ways breaks text too wide for one line into centred lines (centred_label.h).
inline bool label_breaks_lines(const UnitDesign& design) {
    return design.centred && design.v_centred;
}

inline constexpr ControlKind control_kinds[] = {
    {.type = UnitType::window},
    {.type = UnitType::menu_item},
    {.type = UnitType::edit_box,
     .window_class = L"EDIT",
     .style = ES_AUTOHSCROLL,
     .ex_style = WS_EX_CLIENTEDGE},
    {.type = UnitType::shape_box, .window_class = L"STATIC", .style = SS_BLACKFRAME, .takes_font = false},
    {.type = UnitType::group_box, .window_class = L"BUTTON", .style = BS_GROUPBOX, .shows_caption = true},
    {.type = UnitType::label,
     .window_class = L"STATIC",
     .style = SS_NOPREFIX,
     .design_style = label_alignment,
     .shows_caption = true,
     .can_disable = false},
    {.type = UnitType::button, .window_class = L"BUTTON", .style = BS_PUSHBUTTON, .shows_caption = true},
    // The core decides a check box's state; the control only shows it.
    {.type = UnitType::check_box, .window_class = L"BUTTON", .style = BS_CHECKBOX, .shows_caption = true},
    {.type = UnitType::radio_button,
     .window_class = L"BUTTON",
     .style = BS_RADIOBUTTON,
     .shows_caption = true},
    {.type = UnitType::combo_box,
     .window_class = L"COMBOBOX",
     .style = CBS_DROPDOWNLIST | WS_VSCROLL,
     .drop_down_height = 200},
    {.type = UnitType::list_box,
     .window_class = L"LISTBOX",
     .style = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL,
     .ex_style = WS_EX_CLIENTEDGE},
    {.type = UnitType::common_dialog},
    {.type = UnitType::timer},
};
static_assert(image::rows_follow_unit_types(control_kinds));

inline constexpr ControlKind no_control{.type = UnitType::window};

constexpr const ControlKind& control_kind(UnitType t) {
    const std::size_t row = image::unit_type_row(t);
    return row < image::unit_type_count ? control_kinds[row] : no_control;
}

}  // namespace tockly::host::win32
