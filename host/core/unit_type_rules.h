// What the host core knows of each unit type, one row per row of image/unit_type.h: the
// properties handlers reach by index, the design colours of a unit whose blob gives none, and the
// input a user gives it. Every host, and the tools over the headless one, ask here.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "host/host_constants.h"
#include "image/form_format.h"
#include "image/unit_type.h"

namespace tockly::host {

using image::UnitType;

// A property a handler reads or writes, whatever its index on the unit's type.
enum class Property {
    none,  // an unused place in a row
    visible,
    disabled,
    placement,
    text,
    font_size,
    text_colour,
    checked,
    selection,
    file_name,
    period
};

// Element index that matches any element a handler names.
inline constexpr std::int32_t any_element = std::numeric_limits<std::int32_t>::min();

struct PropertyAt {
    std::uint32_t index = 0;
    Property property = Property::none;
    std::int32_t element = any_element;  // the font's size is element 5 of its property
};

struct UnitTypeRules {
    UnitType type;
    // Shown or hidden, enabled or disabled (the properties `visible` and `disabled`, and what the
    // simulator lists); a timer or a common dialog is neither.
    bool switchable = true;
    // Takes a user's click (and delivers its clicked event).
    bool clickable = false;
    // Design colours where the blob gives none.
    std::uint32_t text_colour = 0x000000;
    std::uint32_t background = image::form_format::colour_none;
    std::array<PropertyAt, 3> properties{};  // the type's own, beside `visible` and `disabled`
};

inline constexpr std::uint32_t design_white = 0xFFFFFF;
// Check boxes and radio buttons: a caption and whether they are checked.
inline constexpr std::array<PropertyAt, 3> check_properties{
    {{property::check_caption, Property::text}, {property::checked, Property::checked}}};

inline constexpr UnitTypeRules unit_type_rules[] = {
    {.type = UnitType::window, .properties = {{{property::window_placement, Property::placement}}}},
    {.type = UnitType::menu_item},
    {.type = UnitType::edit_box,
     .background = design_white,
     .properties = {{{property::edit_content, Property::text}}}},
    {.type = UnitType::shape_box},
    {.type = UnitType::group_box},
    {.type = UnitType::label,
     .properties = {{{property::label_caption, Property::text},
                     {property::label_font, Property::font_size, property::font_size_element},
                     {property::label_text_colour, Property::text_colour}}}},
    {.type = UnitType::button, .clickable = true},
    {.type = UnitType::check_box, .clickable = true, .properties = check_properties},
    {.type = UnitType::radio_button, .clickable = true, .properties = check_properties},
    {.type = UnitType::combo_box,
     .background = design_white,
     .properties = {{{property::combo_selection, Property::selection}}}},
    {.type = UnitType::list_box,
     .background = design_white,
     .properties = {{{property::list_selection, Property::selection}}}},
    {.type = UnitType::common_dialog,
     .switchable = false,
     .properties = {{{property::dialog_file_name, Property::file_name}}}},
    {.type = UnitType::timer,
     .switchable = false,
     .properties = {{{property::timer_period, Property::period}}}},
};
static_assert(image::rows_follow_unit_types(unit_type_rules));
inline constexpr UnitTypeRules no_unit_type_rules{.type = UnitType::window, .switchable = false};

// The rules of a type; a number outside the table (which no reader lets through) has no
// properties at all.
constexpr const UnitTypeRules& rules_of(UnitType t) {
    const std::size_t row = image::unit_type_row(t);
    return row < image::unit_type_count ? unit_type_rules[row] : no_unit_type_rules;
}

// The property at `index` (and `element`) of a unit of type `t`, or Property::none.
constexpr Property find_property(UnitType t, std::uint32_t index, std::int32_t element) {
    const UnitTypeRules& rules = rules_of(t);
    if (rules.switchable && index == property::window_visible) return Property::visible;
    if (rules.switchable && index == property::disabled) return Property::disabled;
    for (const PropertyAt& at : rules.properties) {
        if (at.property != Property::none && at.index == index &&
            (at.element == any_element || at.element == element))
            return at.property;
    }
    return Property::none;
}

}  // namespace tockly::host
