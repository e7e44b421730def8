// Pure helpers on the texts that make up a row of the schedule table. Texts are GBK bytes: a byte
// 0x81..0xFE starts a two-byte character, whose second byte may be any of 0x40..0xFE (so an ASCII
// "@" can be the second half of a Chinese character).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "image/gbk_bytes.h"

namespace tockly::app {

using image::is_gbk_lead_byte;

// The length of `text` cut to at most `max_bytes` without splitting a two-byte character: a lead
// byte whose second half would fall beyond the cut is dropped with it.
std::size_t gbk_cut_length(std::string_view text, std::size_t max_bytes);

// `text` with every "@" character replaced by `replacement`; the second byte of a two-byte
// character is never taken for an "@".
std::string replace_at_signs(std::string_view text, std::string_view replacement);

// Whether the command interpreter would treat a byte of `path` specially outside quotes: a blank
// or another separator splits the line, "&" chains a second command, "^" escapes, brackets group,
// "%" and "!" expand variables. The second byte of a two-byte character is never taken for one
// (cmd reads the line as characters, not bytes).
bool needs_quotes_for_cmd(std::string_view path);

// A program path chosen in the program dialog as it is put into a "cmd /cstart " line: a path that
// needs quotes gets an empty window title and quotes (`"" "path"`), so that start runs exactly it
// instead of taking it for a title or letting cmd split it.
std::string program_path_for_start(std::string_view path, std::string_view quote_open,
                                   std::string_view quote_close);

}  // namespace tockly::app
