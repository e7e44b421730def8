// GBK texts shown as UTF-8, losslessly, for tool output and JSON.
//
// Every character that GBK decodes (and that encodes back to the same bytes) becomes its UTF-8
// form. Any other byte is written as the four characters \xHH (lowercase hex). A backslash of the
// text stays a single backslash unless the next character written starts with "\" or "x"; then it
// is written as "\\". So "\data.ini" reads as it is, and every byte string comes back exactly.
//
// Reading back: "\\" is one backslash, "\x" with two hex digits is that byte, any other
// backslash is itself; everything else must be UTF-8 of characters that GBK has.
#pragma once

#include <string>
#include <string_view>

#include "image/result.h"

namespace tockly::image {

std::string gbk_to_display(std::string_view gbk);

// Errors name the byte offset within `text`.
Result<std::string> gbk_from_display(std::string_view text);

}  // namespace tockly::image
