// Scans of long texts a machine word at a time. The byte functions of the C library are fast on
// Linux but plain byte loops in the runtime library that the Windows build uses, and a saved table
// is megabytes long: a save passes over it several times. (A text's length: image::text_length.)
#pragma once

#include <cstddef>
#include <string_view>

namespace tockly::host {

// The position of the first `c` at or after `from`; npos when there is none.
std::size_t find_byte(std::string_view text, char c, std::size_t from = 0);

// Whether the text holds a NUL, CR or LF byte.
bool has_line_break_or_nul(std::string_view text);

}  // namespace tockly::host
