// Text at the driver's edges: UTF-16 inside Windows, UTF-8 on the command line and in its output,
// and JSON string escaping for the lines it prints (shared with the host's trace).
#pragma once

#include <windows.h>

#include <string>

#include "host/win32/json_line.h"

namespace tockly::driver {

inline std::string to_utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

inline std::wstring from_utf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

// JSON string literals, escaped as the host's trace lines are.
using host::win32::json_string;

}  // namespace tockly::driver
