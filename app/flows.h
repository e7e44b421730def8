// Steps shared by several of Tockly's handlers.
#pragma once

#include <cstdint>

#include "app/host_calls.h"

namespace tockly::app::flows {

using calls::Host;
using calls::OwnedText;

// The data file: the program directory followed by "\data.ini", built anew for every access.
OwnedText data_file_path(Host& host);

// Writes the whole table (every row followed by "@", in list order) to key "时表" of section "表",
// in one write; the write buffer 编辑框写表 keeps the value written.
void save_table(Host& host);

// `value` as two decimal digits (a leading "0" below 10) followed by `suffix`.
OwnedText two_digits(Host& host, std::int32_t value, const char* suffix);

// Byte positions in a row text (1-based, as the host's middle part counts them).
inline constexpr std::int32_t row_time_length = 8;
inline constexpr std::int32_t row_function_start = 14;
inline constexpr std::int32_t row_function_length = 8;
inline constexpr std::int32_t row_message_start = 26;

// The function name of a row: the 8 bytes from byte 14.
OwnedText function_name(Host& host, const char* row);
// At most `max_bytes` of a row's message field, never ending inside a two-byte character.
OwnedText message_field(Host& host, const char* row, std::int32_t max_bytes);
// A row's whole message field, to the row's end: what the user stored, uncut.
OwnedText message_field(Host& host, const char* row);

// The one global text, the reminder message: `message` takes the place of the previous one,
// which is released.
void replace_reminder_message(Host& host, OwnedText message);
const char* reminder_message(Host& host);

}  // namespace tockly::app::flows
