// Conversion between the host's GBK texts and the UTF-16 of the Windows API. Code page 936 is
// named explicitly, so Tockly reads and writes the same bytes whatever the system's own ANSI code
// page is.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tockly::host {

inline constexpr unsigned kGbkCodePage = 936;

// Bytes that are not valid GBK become U+FFFD; nothing is lost silently beyond them.
std::wstring wide_from_gbk(std::string_view gbk);
// The same into `out`, whose buffer is reused (for converting many texts one after another).
void wide_from_gbk(std::string_view gbk, std::wstring& out);
// Nothing when the text holds a character that GBK cannot represent.
std::optional<std::string> gbk_from_wide(std::wstring_view wide);
// The same, with such characters replaced by '?' (for display and traces only).
std::string gbk_from_wide_lossy(std::wstring_view wide);
// UTF-8, for trace files.
std::string utf8_from_wide(std::wstring_view wide);

}  // namespace tockly::host
