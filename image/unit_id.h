// Unit identifiers and unit type words as they stand in the code and the form data.
//
// A unit identifier is kind (bits 24-31), group (bits 16-23, 0x01 in the images we know) and a
// serial (bits 0-15) unique within the image. A unit type word is 0x0001 in the high half and a
// form type number in the low half; words with the top bit set are the host's own value types.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tockly::image {

enum class UnitKind : std::uint8_t {
    self_unit = 0x06,
    control = 0x16,
    window_class = 0x19,
    menu_item = 0x26,
    window = 0x52,
};

inline constexpr std::uint8_t usual_unit_group = 0x01;

constexpr std::uint32_t make_unit_id(UnitKind kind, std::uint16_t serial,
                                     std::uint8_t group = usual_unit_group) {
    return (static_cast<std::uint32_t>(kind) << 24) | (static_cast<std::uint32_t>(group) << 16) | serial;
}
constexpr std::uint8_t unit_id_kind_byte(std::uint32_t id) {
    return static_cast<std::uint8_t>(id >> 24);
}
constexpr std::uint8_t unit_id_group(std::uint32_t id) {
    return static_cast<std::uint8_t>(id >> 16);
}
constexpr std::uint16_t unit_id_serial(std::uint32_t id) {
    return static_cast<std::uint16_t>(id);
}
// The low 24 bits: what the image header's identifier counter holds for the highest identifier.
constexpr std::uint32_t unit_id_counter_bits(std::uint32_t id) {
    return id & 0x00FFFFFFu;
}

// The kind, when the top byte is one of the known kinds.
std::optional<UnitKind> unit_id_kind(std::uint32_t id);
// "window", "control", "self-unit", "menu item", "window class"; "unknown" otherwise.
std::string_view unit_kind_name(std::optional<UnitKind> kind);

inline constexpr std::uint32_t unit_type_word_high = 0x00010000u;
constexpr std::uint32_t make_unit_type_word(std::uint16_t type_number) {
    return unit_type_word_high | type_number;
}
constexpr std::uint16_t unit_type_number(std::uint32_t word) {
    return static_cast<std::uint16_t>(word);
}
// A type word of a unit (0x0001xxxx), as opposed to the host's own value types (0x8000xxxx).
constexpr bool is_unit_type_word(std::uint32_t word) {
    return (word & 0xFFFF0000u) == unit_type_word_high;
}
constexpr bool is_host_value_type_word(std::uint32_t word) {
    return (word & 0x80000000u) != 0;
}

}  // namespace tockly::image
