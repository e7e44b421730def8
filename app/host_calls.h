// Typed calls of the host for the handlers: each builds the argument records of one host command
// or property access, calls it, and hands back what it returned, texts in owners that release them
// exactly once. A null text is never handed to the host: the pool's empty text goes instead.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "app/units.h"
#include "host/host.h"
#include "host/owned_text.h"

namespace tockly::app::calls {

using host::Host;
using host::OwnedText;
using host::OwnedTextArray;

// --- argument records -------------------------------------------------------------------------
host::ArgRecord text_arg(const char* text);
host::ArgRecord unit_arg(const Unit& unit);

// --- properties --------------------------------------------------------------------------------
OwnedText read_text(Host& host, const Unit& unit, std::uint32_t index);
std::int32_t read_int(Host& host, const Unit& unit, std::uint32_t index);
void write_text(Host& host, const Unit& unit, std::uint32_t index, const char* text);
void write_int(Host& host, const Unit& unit, std::uint32_t index, std::int32_t value,
               std::int32_t element = host::property::whole);

// The text of a label's caption or an edit box's content (both index 8).
inline OwnedText text_of(Host& host, const Unit& unit) {
    return read_text(host, unit, host::property::label_caption);
}
inline void set_text(Host& host, const Unit& unit, const char* text) {
    write_text(host, unit, host::property::label_caption, text);
}
inline void set_disabled(Host& host, const Unit& unit, bool disabled) {
    write_int(host, unit, host::property::disabled, disabled ? 1 : 0);
}
inline void set_checked(Host& host, const Unit& unit, bool checked) {
    write_int(host, unit, host::property::checked, checked ? 1 : 0);
}

// --- texts ---------------------------------------------------------------------------------------
// A new host text holding `bytes`.
OwnedText make_text(Host& host, std::string_view bytes);
// A new host text holding the given texts one after another (null counts as empty).
OwnedText concat(Host& host, std::initializer_list<const char*> texts);
bool is_empty(const char* text);
bool equal(const char* a, const char* b);

// --- commands --------------------------------------------------------------------------------------
OwnedText program_directory(Host& host);
OwnedText left_part(Host& host, const char* text, std::int32_t count);
OwnedText middle_part(Host& host, const char* text, std::int32_t start, std::int32_t count);
OwnedText integer_to_text(Host& host, std::int32_t value);
OwnedTextArray split_text(Host& host, const char* text, const char* separator);
std::int32_t to_integer(Host& host, const char* text);

std::int64_t now(Host& host);
std::int64_t add_minutes(Host& host, std::int64_t date_time, std::int32_t minutes);
std::int32_t hour_of(Host& host, std::int64_t date_time);
std::int32_t minute_of(Host& host, std::int64_t date_time);
std::int32_t second_of(Host& host, std::int64_t date_time);

void run_command_line(Host& host, const char* command_line);  // not waiting, show mode 1
void message_box(Host& host, const char* text);               // OK button, default title
void play_sound_data(Host& host, const void* byte_set, bool repeat);
bool play_mp3(Host& host, const char* path);  // once; true when playback started
void stop_sound(Host& host);

void open_window(Host& host, const Unit& window, bool modal);
void close_window(Host& host, const Unit& window);
void set_focus(Host& host, const Unit& control);
void popup_menu(Host& host, const Unit& window, const Unit& menu);
bool open_file_dialog(Host& host, const Unit& dialog);  // true when a file was chosen
void set_tray_icon(Host& host, const Unit& window, const void* icon_byte_set, const char* tip);

OwnedText combo_item_text(Host& host, const Unit& combo, std::int32_t index);
std::int32_t list_count(Host& host, const Unit& list);
OwnedText list_item_text(Host& host, const Unit& list, std::int32_t index);
void list_append(Host& host, const Unit& list, const char* text);
void list_insert(Host& host, const Unit& list, std::int32_t index, const char* text);
void list_delete(Host& host, const Unit& list, std::int32_t index);
void edit_append(Host& host, const Unit& edit, const char* text);

OwnedText ini_read(Host& host, const char* file, const char* section, const char* key);
void ini_write(Host& host, const char* file, const char* section, const char* key, const char* value);

// Command 0 of the interface library (library 1 of the image's table), with the integer 3.
void start_interface_library(Host& host);

}  // namespace tockly::app::calls
