// The unit types of form data, one row each: the type number, the name tools and JSON use, and the
// events of the type's own. Every other table of unit types (the host core's properties and design
// defaults, the Windows controls, the simulator's listing) has one row per row here, in the same
// order, and checks that at compile time: a new type is a row in each table, not a case in each
// switch. Which blob layout a type has is the blob kinds table (image/form_fields.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tockly::image {

// Unit type numbers: the low 16 bits of a unit's type word.
enum class UnitType : std::uint16_t {
    window = 1,  // a window's self-unit
    menu_item = 3,
    edit_box = 5,
    shape_box = 7,
    group_box = 9,
    label = 10,
    button = 11,
    check_box = 12,
    radio_button = 13,
    combo_box = 14,
    list_box = 15,
    common_dialog = 31,
    timer = 32,
};

// Event numbers. Numbers of 0 or more depend on the unit's type; negative ones are mouse events
// of any unit.
namespace event {
inline constexpr std::int32_t created = 0;          // window: creation complete
inline constexpr std::int32_t destroying = 2;       // window: about to be destroyed
inline constexpr std::int32_t placement = 3;        // window: placement state changed
inline constexpr std::int32_t tray_notify = 9;      // window: tray icon notification (1 argument)
inline constexpr std::int32_t clicked = 0;          // button, radio button
inline constexpr std::int32_t item_changed = 0;     // combo box: current item changed
inline constexpr std::int32_t content_changed = 0;  // edit box
inline constexpr std::int32_t tick = 0;             // timer
inline constexpr std::int32_t double_clicked = -3;  // any unit (3 arguments)
inline constexpr std::int32_t right_button = -4;    // any unit (3 arguments)
}  // namespace event

// An event as a handler meets it: its number, its name in listings, and how many 32-bit values
// it passes.
struct EventInfo {
    std::int32_t number = 0;
    std::string_view name;  // empty: an unused place in a row
    std::uint32_t arguments = 0;
};

inline constexpr std::size_t max_type_events = 4;

struct UnitTypeInfo {
    UnitType type;
    std::string_view name;
    std::array<EventInfo, max_type_events> events{};  // the type's own (numbers of 0 or more)
};

// Mouse events: any unit may bind them.
inline constexpr EventInfo mouse_events[] = {
    {event::double_clicked, "double_clicked", 3},
    {event::right_button, "right_button", 3},
};

inline constexpr UnitTypeInfo unit_types[] = {
    {UnitType::window,
     "window",
     {{{event::created, "created", 0},
       {event::destroying, "destroying", 0},
       {event::placement, "placement", 0},
       {event::tray_notify, "tray_notify", 1}}}},
    {UnitType::menu_item, "menu_item"},
    {UnitType::edit_box, "edit_box", {{{event::content_changed, "content_changed", 0}}}},
    {UnitType::shape_box, "shape_box"},
    {UnitType::group_box, "group_box"},
    {UnitType::label, "label"},
    {UnitType::button, "button", {{{event::clicked, "clicked", 0}}}},
    {UnitType::check_box, "check_box"},
    {UnitType::radio_button, "radio_button", {{{event::clicked, "clicked", 0}}}},
    {UnitType::combo_box, "combo_box", {{{event::item_changed, "item_changed", 0}}}},
    {UnitType::list_box, "list_box"},
    {UnitType::common_dialog, "common_dialog"},
    {UnitType::timer, "timer", {{{event::tick, "tick", 0}}}},
};

inline constexpr std::size_t unit_type_count = std::size(unit_types);

// The row of a type number, or null for a number that is no unit type.
constexpr const UnitTypeInfo* unit_type_info(std::uint16_t type_number) {
    for (const UnitTypeInfo& row : unit_types) {
        if (static_cast<std::uint16_t>(row.type) == type_number) return &row;
    }
    return nullptr;
}

// The position of a type's row, the same in every table of unit types.
constexpr std::size_t unit_type_row(UnitType t) {
    for (std::size_t i = 0; i < unit_type_count; ++i) {
        if (unit_types[i].type == t) return i;
    }
    return unit_type_count;
}

// Whether a table keyed by unit type has exactly one row per type, in this table's order.
template <typename Row, std::size_t N>
constexpr bool rows_follow_unit_types(const Row (&rows)[N]) {
    if (N != unit_type_count) return false;
    for (std::size_t i = 0; i < N; ++i) {
        if (rows[i].type != unit_types[i].type) return false;
    }
    return true;
}

constexpr bool is_known_unit_type(std::uint16_t type_number) {
    return unit_type_info(type_number) != nullptr;
}
// "window", "edit_box", ...
constexpr std::string_view unit_type_name(UnitType t) {
    const UnitTypeInfo* row = unit_type_info(static_cast<std::uint16_t>(t));
    return row != nullptr ? row->name : "unknown";
}

constexpr std::optional<UnitType> unit_type_from_name(std::string_view name) {
    for (const UnitTypeInfo& row : unit_types) {
        if (row.name == name) return row.type;
    }
    return std::nullopt;
}

// The event `number` of a unit of type `t` (a mouse event or one of the type's own), or none for
// a number the type has no event for.
constexpr std::optional<EventInfo> find_event(UnitType t, std::int32_t number) {
    for (const EventInfo& e : mouse_events) {
        if (e.number == number) return e;
    }
    // By the row's place, not a pointer to it: a test of a pointer against null is no constant
    // expression under the undefined-behaviour sanitizer, and the handler list is checked at
    // compile time.
    const std::size_t row = unit_type_row(t);
    if (row == unit_type_count) return std::nullopt;
    for (const EventInfo& e : unit_types[row].events) {
        if (!e.name.empty() && e.number == number) return e;
    }
    return std::nullopt;
}

}  // namespace tockly::image
