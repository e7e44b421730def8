// On-disk constants of the form data: type words, blob lead values and fixed sizes. The reader and
// writer and the field mappings (image/form_fields.h) take every such number from here.
#pragma once

#include <cstdint>

namespace tockly::image::form_format {

// Form data header: u32 L, then L/2 bytes of window identifiers and L/2 bytes of one word per window.
inline constexpr std::uint32_t header_bytes_per_window = 8;

// Type words: the core library in the high 16 bits, the type number in the low 16 bits.
inline constexpr std::uint32_t core_library = 0x0001;
inline constexpr std::uint32_t type_word(std::uint16_t type_number) {
    return (core_library << 16) | type_number;
}

// Zero blocks of the unit and menu item records.
inline constexpr std::size_t record_zero_block = 20;  // after the type word; after the bindings
inline constexpr std::size_t menu_tail_zero = 16;     // after a menu item's handler

// The reserved counted data of a unit record: four bytes, usually u32 0.
inline constexpr std::uint32_t unit_reserved_data_size = 4;

// Unit flag bits.
inline constexpr std::uint32_t flag_visible = 1u << 0;
inline constexpr std::uint32_t flag_disabled = 1u << 1;
inline constexpr std::uint32_t flag_tab_stop = 1u << 2;
inline constexpr std::uint32_t flag_all = flag_visible | flag_disabled | flag_tab_stop;

// A menu item's handler value for "no handler".
inline constexpr std::int32_t menu_no_handler = -1;

// Font: counted data of length 0 (host default) or a LOGFONTA of this size.
inline constexpr std::uint32_t logfont_size = 60;
inline constexpr std::size_t logfont_face_size = 32;

// Colour value meaning "no colour of its own".
inline constexpr std::uint32_t colour_none = 0xFF000000;
// Any colour word with its high byte set is read the same way: not a colour, the unit takes its
// surroundings'.
inline constexpr bool is_no_colour(std::uint32_t colour) {
    return (colour & colour_none) != 0;
}

// The u32 that opens every non-empty property blob, by type.
inline constexpr std::uint32_t lead_window = 6;
inline constexpr std::uint32_t lead_label = 2;
inline constexpr std::uint32_t lead_edit_box = 2;
inline constexpr std::uint32_t lead_group_box = 1;
inline constexpr std::uint32_t lead_button = 1;
inline constexpr std::uint32_t lead_check_box = 2;
inline constexpr std::uint32_t lead_radio_button = 1;
inline constexpr std::uint32_t lead_combo_box = 3;
inline constexpr std::uint32_t lead_list_box = 3;
inline constexpr std::uint32_t lead_common_dialog = 1;
inline constexpr std::uint32_t lead_timer = 1;

// Fixed-size blobs and fixed-size parts.
inline constexpr std::uint32_t timer_blob_size = 8;
inline constexpr std::size_t window_reserved_words = 19;         // offsets 16 to 91
inline constexpr std::size_t list_box_item_area = 18;            // after the list box's font
inline constexpr std::size_t common_dialog_reserved_words = 17;  // offsets 4 to 71

}  // namespace tockly::image::form_format
