// The host's text commands. Texts are NUL-terminated GBK bytes and every count is in bytes; the
// commands cut exactly where they are told, even inside a double-byte character (callers that
// show text cut on character boundaries themselves). Every result is a new block from `memory`,
// owned by the caller; null only when memory runs out.
#pragma once

#include <cstdint>
#include <optional>

#include "host/core/arg_access.h"
#include "host/core/text_memory.h"

namespace tockly::host {

// The first n bytes: n < 0 gives the empty text, n beyond the length the whole text.
char* left_part(TextAllocator& memory, const char* text, std::int32_t n);

// Up to n bytes from the 1-based byte position `start`. A start below 1 counts from the first
// byte; a start beyond the end or n <= 0 gives the empty text.
char* middle_part(TextAllocator& memory, const char* text, std::int32_t start, std::int32_t n);

// Decimal, '-' for negatives, no leading zeros.
char* integer_to_text(TextAllocator& memory, std::int32_t value);

// A text array (u32 1, u32 count, text pointers) of the pieces between separators. No piece
// follows a final separator and the empty text has no pieces; "@" gives one empty piece. An
// empty separator gives the whole text as the one piece. `limit` >= 0 keeps at most that many
// pieces; a negative limit keeps all.
void* split_text(TextAllocator& memory, const char* text, const char* separator, std::int32_t limit = -1);

// The value of a decimal text: leading blanks (space, tab), an optional sign, then digits up to
// the first non-digit. No digits gives 0; a value beyond the 32-bit range is clamped to
// INT32_MIN or INT32_MAX.
std::int32_t text_to_integer(const char* text);

// The text commands by number (left part, middle part, integer to text, split, to integer).
// Nothing when `command` is not one of them. An argument of the wrong type is a malformed call:
// the answer is the command's "nothing" (a null text or array, or 0), never a crash.
std::optional<std::uint64_t> call_text_command(TextAllocator& memory, std::uint32_t command, Args args);

}  // namespace tockly::host
