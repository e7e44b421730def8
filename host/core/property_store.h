// The properties a handler may read and write, by unit type and property index (which index is
// which property is a column of host/core/unit_type_rules.h): whether it holds a text or a number,
// and what a write changes. One store for every host; the window system is told what changed so a
// real screen can follow.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "host/core/unit_state.h"

namespace tockly::host {

// What a property write changed, for the window system to show.
enum class Change {
    text,
    visible,
    disabled,
    checked,
    selection,
    items,
    font,
    text_colour,
    placement,
    period,
    file_name
};

enum class PropertyKind { integer, text };

// The kind of a property, or nothing when the unit's type has no property of that index
// (for the font, only element 5, its size in points, is known).
std::optional<PropertyKind> property_kind(UnitType type, std::uint32_t index, std::int32_t element);

// A read: the integer value, or a view of the unit's text (valid until the unit changes; the
// caller copies it into a new block: a text can be a table of many megabytes).
using PropertyValue = std::variant<std::int64_t, std::string_view>;
std::optional<PropertyValue> read_unit_property(const UnitState& unit, std::uint32_t index,
                                                std::int32_t element);

// A write of an integer or a text (null already replaced by ""); answers what changed, or nothing
// when the property does not exist or the value is the same. A text property set much shorter
// lets go of its old buffer.
std::optional<Change> write_unit_property(UnitState& unit, std::uint32_t index, std::int32_t element,
                                          std::int64_t number, std::string_view text);

}  // namespace tockly::host
