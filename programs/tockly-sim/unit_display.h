// How the simulator's `show NAME` lists a unit: the fields each unit type shows beside its window,
// name and type, one row per row of image/unit_type.h.
#pragma once

#include <array>

#include "host/core/unit_state.h"
#include "host/headless/headless_window_system.h"
#include "image/unit_type.h"

namespace tockly::sim {

enum class Shown {
    none,  // an unused place in a row
    text,
    size,
    colour,
    checked,
    selection,
    items,
    rows,
    period,
    file_name
};

struct UnitDisplay {
    image::UnitType type;
    std::array<Shown, 3> fields{};  // in the order they are listed
};

inline constexpr UnitDisplay unit_displays[] = {
    {image::UnitType::window},
    {image::UnitType::menu_item},
    {image::UnitType::edit_box, {Shown::text}},
    {image::UnitType::shape_box},
    {image::UnitType::group_box, {Shown::text}},
    {image::UnitType::label, {Shown::text, Shown::size, Shown::colour}},
    {image::UnitType::button, {Shown::text}},
    {image::UnitType::check_box, {Shown::text, Shown::checked}},
    {image::UnitType::radio_button, {Shown::text, Shown::checked}},
    {image::UnitType::combo_box, {Shown::selection, Shown::items}},
    {image::UnitType::list_box, {Shown::selection, Shown::rows}},
    {image::UnitType::common_dialog, {Shown::file_name}},
    {image::UnitType::timer, {Shown::period}},
};
static_assert(image::rows_follow_unit_types(unit_displays));

// Adds the unit's own fields, then whether it is visible and disabled where its type can be
// either.
void add_unit_fields(host::headless::Json& fields, const host::UnitState& unit);

}  // namespace tockly::sim
