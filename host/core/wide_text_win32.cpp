#include "host/core/wide_text_win32.h"

#include <windows.h>

#include <limits>

namespace tockly::host {

namespace {

bool fits_int(std::size_t n) {
    return n <= static_cast<std::size_t>(std::numeric_limits<int>::max());
}

std::string narrow(unsigned code_page, std::wstring_view wide, BOOL* used_default) {
    if (wide.empty() || !fits_int(wide.size())) return {};
    const int n = static_cast<int>(wide.size());
    // WC_NO_BEST_FIT_CHARS: a character without an exact GBK form is reported, never swapped
    // for a look-alike that names a different file.
    const DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* report = code_page == CP_UTF8 ? nullptr : used_default;
    const int size = WideCharToMultiByte(code_page, flags, wide.data(), n, nullptr, 0, nullptr, report);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(code_page, flags, wide.data(), n, out.data(), size, nullptr, report);
    return out;
}

}  // namespace

std::wstring wide_from_gbk(std::string_view gbk) {
    if (gbk.empty() || !fits_int(gbk.size())) return {};
    const int n = static_cast<int>(gbk.size());
    const int size = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), n, nullptr, 0);
    if (size <= 0) return {};
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), n, out.data(), size);
    return out;
}

void wide_from_gbk(std::string_view gbk, std::wstring& out) {
    out.clear();
    if (gbk.empty() || !fits_int(gbk.size())) return;
    // A GBK character takes one or two bytes, and a byte that is not GBK becomes one U+FFFD:
    // never more UTF-16 units than bytes, so one conversion into a buffer of that size does.
    out.resize(gbk.size());
    const int size = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), static_cast<int>(gbk.size()),
                                         out.data(), static_cast<int>(out.size()));
    out.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
}

std::optional<std::string> gbk_from_wide(std::wstring_view wide) {
    BOOL used_default = FALSE;
    std::string out = narrow(kGbkCodePage, wide, &used_default);
    if (used_default) return std::nullopt;
    if (out.empty() && !wide.empty()) return std::nullopt;
    return out;
}

std::string gbk_from_wide_lossy(std::wstring_view wide) {
    BOOL used_default = FALSE;
    return narrow(kGbkCodePage, wide, &used_default);
}

std::string utf8_from_wide(std::wstring_view wide) {
    return narrow(CP_UTF8, wide, nullptr);
}

}  // namespace tockly::host
