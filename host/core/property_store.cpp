#include "host/core/property_store.h"

#include "host/host_constants.h"

namespace tockly::host {

namespace {

enum class Prop {
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

std::optional<Prop> find_property(UnitType type, std::uint32_t index, std::int32_t element) {
    namespace p = property;
    // Every unit: shown and enabled.
    if (index == p::window_visible && type != UnitType::timer && type != UnitType::common_dialog)
        return Prop::visible;
    if (index == p::disabled && type != UnitType::timer && type != UnitType::common_dialog)
        return Prop::disabled;
    switch (type) {
        case UnitType::window:
            if (index == p::window_placement) return Prop::placement;
            break;
        case UnitType::edit_box:
            if (index == p::edit_content) return Prop::text;
            break;
        case UnitType::label:
            if (index == p::label_caption) return Prop::text;
            if (index == p::label_font && element == p::font_size_element) return Prop::font_size;
            if (index == p::label_text_colour) return Prop::text_colour;
            break;
        case UnitType::check_box:
        case UnitType::radio_button:
            if (index == p::check_caption) return Prop::text;
            if (index == p::checked) return Prop::checked;
            break;
        case UnitType::combo_box:
            if (index == p::combo_selection) return Prop::selection;
            break;
        case UnitType::list_box:
            if (index == p::list_selection) return Prop::selection;
            break;
        case UnitType::common_dialog:
            if (index == p::dialog_file_name) return Prop::file_name;
            break;
        case UnitType::timer:
            if (index == p::timer_period) return Prop::period;
            break;
        default:
            break;
    }
    return std::nullopt;
}

std::int64_t font_size_points(std::int32_t height) {
    const std::int64_t pixels = height < 0 ? -static_cast<std::int64_t>(height) : height;
    return (pixels * 72 * 2 + 96) / (96 * 2);  // rounded to nearest
}

}  // namespace

std::optional<PropertyKind> property_kind(UnitType type, std::uint32_t index, std::int32_t element) {
    auto prop = find_property(type, index, element);
    if (!prop) return std::nullopt;
    return (*prop == Prop::text || *prop == Prop::file_name) ? PropertyKind::text : PropertyKind::integer;
}

std::optional<PropertyValue> read_unit_property(const UnitState& unit, std::uint32_t index,
                                                std::int32_t element) {
    auto prop = find_property(unit.type(), index, element);
    if (!prop) return std::nullopt;
    switch (*prop) {
        case Prop::visible:
            return PropertyValue{std::int64_t{unit.visible ? 1 : 0}};
        case Prop::disabled:
            return PropertyValue{std::int64_t{unit.disabled ? 1 : 0}};
        case Prop::placement:
            return PropertyValue{std::int64_t{unit.placement}};
        case Prop::text:
            return PropertyValue{std::string_view(unit.text)};
        case Prop::font_size:
            return PropertyValue{font_size_points(unit.font_height)};
        case Prop::text_colour:
            return PropertyValue{std::int64_t{unit.text_colour}};
        case Prop::checked:
            return PropertyValue{std::int64_t{unit.checked ? 1 : 0}};
        case Prop::selection:
            return PropertyValue{std::int64_t{unit.selection}};
        case Prop::file_name:
            return PropertyValue{std::string_view(unit.file_name)};
        case Prop::period:
            return PropertyValue{std::int64_t{unit.period_ms}};
    }
    return std::nullopt;
}

std::optional<Change> write_unit_property(UnitState& unit, std::uint32_t index, std::int32_t element,
                                          std::int64_t number, std::string_view text) {
    auto prop = find_property(unit.type(), index, element);
    if (!prop) return std::nullopt;
    auto set = [](auto& field, const auto& value, Change change) -> std::optional<Change> {
        if (field == value) return std::nullopt;
        field = value;
        return change;
    };
    const auto word = static_cast<std::uint32_t>(number);
    switch (*prop) {
        case Prop::visible:
            return set(unit.visible, word != 0, Change::visible);
        case Prop::disabled:
            return set(unit.disabled, word != 0, Change::disabled);
        case Prop::placement:
            // 2 minimises; any other value restores.
            return set(unit.placement, word == 2 ? 2u : 1u, Change::placement);
        case Prop::text:
            return set(unit.text, text, Change::text);
        case Prop::font_size: {
            const auto points = static_cast<std::int32_t>(number);
            if (points <= 0 || points > 1638) return std::nullopt;  // no such type size
            return set(unit.font_height, font_height_for_points(points), Change::font);
        }
        case Prop::text_colour:
            return set(unit.text_colour, word & 0x00FFFFFFu, Change::text_colour);
        case Prop::checked:
            return set(unit.checked, word != 0, Change::checked);
        case Prop::selection: {
            // An index outside the items selects nothing.
            const auto wanted = static_cast<std::int32_t>(number);
            const std::int32_t value =
                (wanted >= 0 && static_cast<std::size_t>(wanted) < unit.items.size()) ? wanted : -1;
            return set(unit.selection, value, Change::selection);
        }
        case Prop::file_name:
            return set(unit.file_name, text, Change::file_name);
        case Prop::period:
            return set(unit.period_ms, word, Change::period);
    }
    return std::nullopt;
}

}  // namespace tockly::host
