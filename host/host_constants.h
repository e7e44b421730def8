// Numbers shared by the handlers and every host: type words of argument records, core command
// numbers, property indices, helper slots and error codes. One table each, so traces can print
// names.
#pragma once

#include <cstdint>

namespace tockly::host {

namespace type_word {
inline constexpr std::uint32_t omitted = 0;
inline constexpr std::uint32_t logical = 0x80000002;
inline constexpr std::uint32_t date_time = 0x80000003;
inline constexpr std::uint32_t text = 0x80000004;
inline constexpr std::uint32_t byte_set = 0x80000005;
inline constexpr std::uint32_t integer = 0x80000301;
// A unit reference: 0x00010000 plus the unit's type number (image/unit_type.h).
inline constexpr std::uint32_t unit_base = 0x00010000;
inline constexpr std::uint32_t unit(std::uint32_t type_number) {
    return unit_base + type_number;
}
inline constexpr bool is_unit(std::uint32_t word) {
    return (word & 0xFFFF0000u) == unit_base;
}
}  // namespace type_word

// Which part of the core answers a command: the text, date-time and INI services, which need no
// window, or the runtime itself (windows, units, sound, processes).
enum class CommandFamily { text, date_time, ini, unit };

// The core commands the handlers use: name, number, and the part that answers each. This list is
// the one place a command is written; the constants below, the names in traces and the routing
// switch are made from it.
#define TOCKLY_HOST_COMMANDS(X)            \
    X(program_directory, 0x104, unit)      \
    X(left_part, 0x134, text)              \
    X(middle_part, 0x13c, text)            \
    X(date_time_convert, 0x160, date_time) \
    X(integer_to_text, 0x168, text)        \
    X(split_text, 0x190, text)             \
    X(add_to_date_time, 0x1dc, date_time)  \
    X(hour_of, 0x200, date_time)           \
    X(minute_of, 0x204, date_time)         \
    X(second_of, 0x208, date_time)         \
    X(now, 0x210, date_time)               \
    X(run_command_line, 0x2c0, unit)       \
    X(message_box, 0x300, unit)            \
    X(play_sound_data, 0x30c, unit)        \
    X(stop_sound, 0x310, unit)             \
    X(open_window, 0x320, unit)            \
    X(close_window, 0x360, unit)           \
    X(set_focus, 0x364, unit)              \
    X(popup_menu, 0x394, unit)             \
    X(open_file_dialog, 0x3a4, unit)       \
    X(combo_item_text, 0x3bc, unit)        \
    X(list_count, 0x3e0, unit)             \
    X(list_item_text, 0x3ec, unit)         \
    X(list_append, 0x40c, unit)            \
    X(list_insert, 0x410, unit)            \
    X(list_delete, 0x414, unit)            \
    X(edit_append, 0x530, unit)            \
    X(play_mp3, 0x6bc, unit)               \
    X(set_tray_icon, 0x708, unit)          \
    X(ini_read, 0x8c8, ini)                \
    X(ini_write, 0x8cc, ini)               \
    X(to_integer, 0x9dc, text)

namespace command {
#define TOCKLY_COMMAND_NUMBER(name, number, family) inline constexpr std::uint32_t name = number;
TOCKLY_HOST_COMMANDS(TOCKLY_COMMAND_NUMBER)
#undef TOCKLY_COMMAND_NUMBER
}  // namespace command

// Every command passes this way first (a save or a tick reads each row of the table through it),
// so it is one switch, not a search.
constexpr CommandFamily command_family(std::uint32_t number) {
    switch (number) {
#define TOCKLY_COMMAND_FAMILY(name, number, family) \
    case number:                                    \
        return CommandFamily::family;
        TOCKLY_HOST_COMMANDS(TOCKLY_COMMAND_FAMILY)
#undef TOCKLY_COMMAND_FAMILY
        default:
            return CommandFamily::unit;  // not one of ours: the runtime refuses it
    }
}

// The date-time part number that add_to_date_time takes for minutes.
inline constexpr std::uint32_t date_part_minutes = 7;

// Property indices, per unit type.
namespace property {
inline constexpr std::uint32_t window_visible = 5;
inline constexpr std::uint32_t window_placement = 0x12;  // host::placement
inline constexpr std::uint32_t edit_content = 8;
inline constexpr std::uint32_t label_caption = 8;
inline constexpr std::uint32_t label_font = 0xf;  // element 5: size in points
inline constexpr std::int32_t font_size_element = 5;
inline constexpr std::uint32_t label_text_colour = 0x10;
inline constexpr std::uint32_t disabled = 6;  // buttons, combo boxes
inline constexpr std::uint32_t check_caption = 0xb;
inline constexpr std::uint32_t checked = 0x12;  // check box, radio button
inline constexpr std::uint32_t combo_selection = 0x13;
inline constexpr std::uint32_t list_selection = 0x10;
inline constexpr std::uint32_t dialog_file_name = 0xa;
inline constexpr std::uint32_t timer_period = 8;
inline constexpr std::int32_t whole = -1;  // element index of a whole property
}  // namespace property

// Byte offsets of the helper slots in the host's helper table.
namespace slot {
inline constexpr std::uint32_t fatal_error = 0x00;
inline constexpr std::uint32_t call_library = 0x08;
inline constexpr std::uint32_t call_core = 0x0c;
inline constexpr std::uint32_t read_property = 0x10;
inline constexpr std::uint32_t write_property = 0x14;
inline constexpr std::uint32_t allocate = 0x18;
inline constexpr std::uint32_t release = 0x20;
inline constexpr std::uint32_t run_until_end = 0x24;  // does not return
inline constexpr std::uint32_t start_loop = 0x28;     // takes the integer 0
inline constexpr std::uint32_t create_start_window = 0x2c;
inline constexpr std::uint32_t register_cleanup = 0x30;  // clean-up routine and the value 3
inline constexpr std::uint32_t table_size = 0x34;
}  // namespace slot

// A window's placement state, the value of property::window_placement.
namespace placement {
inline constexpr std::uint32_t normal = 1;
inline constexpr std::uint32_t minimised = 2;
}  // namespace placement

// What a tray icon notification tells its window (the event's one argument).
namespace tray_kind {
inline constexpr std::uint32_t left_click = 3;  // the icon was clicked with the left button
}  // namespace tray_kind

namespace fatal_code {
inline constexpr std::uint32_t index_past_end = 1;
inline constexpr std::uint32_t index_below_one = 4;
}  // namespace fatal_code

// Names for traces: "list_item_text", or null for a number that is not a known command.
const char* command_name(std::uint32_t number);
const char* type_word_name(std::uint32_t word);

}  // namespace tockly::host
