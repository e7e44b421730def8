#include "host/core/property_store.h"

#include <utility>

#include "host/core/unit_type_rules.h"

namespace tockly::host {

namespace {

std::int64_t font_size_points(std::int32_t height) {
    const std::int64_t pixels = height < 0 ? -static_cast<std::int64_t>(height) : height;
    return (pixels * 72 * 2 + 96) / (96 * 2);  // rounded to nearest
}

}  // namespace

std::optional<PropertyKind> property_kind(UnitType type, std::uint32_t index, std::int32_t element) {
    const Property prop = find_property(type, index, element);
    if (prop == Property::none) return std::nullopt;
    return (prop == Property::text || prop == Property::file_name) ? PropertyKind::text
                                                                   : PropertyKind::integer;
}

std::optional<PropertyValue> read_unit_property(const UnitState& unit, std::uint32_t index,
                                                std::int32_t element) {
    switch (find_property(unit.type(), index, element)) {
        case Property::none:
            return std::nullopt;
        case Property::visible:
            return PropertyValue{std::int64_t{unit.visible ? 1 : 0}};
        case Property::disabled:
            return PropertyValue{std::int64_t{unit.disabled ? 1 : 0}};
        case Property::placement:
            return PropertyValue{std::int64_t{unit.placement}};
        case Property::text:
            return PropertyValue{std::string_view(unit.text)};
        case Property::font_size:
            return PropertyValue{font_size_points(unit.font_height)};
        case Property::text_colour:
            return PropertyValue{std::int64_t{unit.text_colour}};
        case Property::checked:
            return PropertyValue{std::int64_t{unit.checked ? 1 : 0}};
        case Property::selection:
            return PropertyValue{std::int64_t{unit.selection}};
        case Property::file_name:
            return PropertyValue{std::string_view(unit.file_name)};
        case Property::period:
            return PropertyValue{std::int64_t{unit.period_ms}};
    }
    return std::nullopt;
}

std::optional<Change> write_unit_property(UnitState& unit, std::uint32_t index, std::int32_t element,
                                          std::int64_t number, std::string_view text) {
    auto set = [](auto& field, const auto& value, Change change) -> std::optional<Change> {
        if (field == value) return std::nullopt;
        field = value;
        return change;
    };
    // A text is copied once. A unit that held a table of many megabytes and is set to a much
    // shorter text lets go of the old buffer rather than keep it for good.
    auto set_text = [](std::string& field, std::string_view value, Change change) -> std::optional<Change> {
        if (field == value) return std::nullopt;
        if (field.capacity() > 2 * value.size() + 4096) {
            std::string(value).swap(field);
        } else {
            field.assign(value);
        }
        return change;
    };
    const auto word = static_cast<std::uint32_t>(number);
    switch (find_property(unit.type(), index, element)) {
        case Property::none:
            return std::nullopt;
        case Property::visible:
            return set(unit.visible, word != 0, Change::visible);
        case Property::disabled:
            return set(unit.disabled, word != 0, Change::disabled);
        case Property::placement:
            // 2 minimises; any other value restores.
            return set(unit.placement,
                       word == placement::minimised ? placement::minimised : placement::normal,
                       Change::placement);
        case Property::text:
            return set_text(unit.text, text, Change::text);
        case Property::font_size: {
            const auto points = static_cast<std::int32_t>(number);
            if (points <= 0 || points > 1638) return std::nullopt;  // no such type size
            return set(unit.font_height, font_height_for_points(points), Change::font);
        }
        case Property::text_colour:
            return set(unit.text_colour, word & 0x00FFFFFFu, Change::text_colour);
        case Property::checked:
            return set(unit.checked, word != 0, Change::checked);
        case Property::selection: {
            // An index outside the items selects nothing.
            const auto wanted = static_cast<std::int32_t>(number);
            const std::int32_t value =
                (wanted >= 0 && static_cast<std::size_t>(wanted) < unit.items.size()) ? wanted : -1;
            return set(unit.selection, value, Change::selection);
        }
        case Property::file_name:
            return set_text(unit.file_name, text, Change::file_name);
        case Property::period:
            return set(unit.period_ms, word, Change::period);
    }
    return std::nullopt;
}

}  // namespace tockly::host
