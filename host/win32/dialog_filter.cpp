#include "host/win32/dialog_filter.h"

namespace tockly::host::win32 {

std::string dialog_filter(std::string_view form_filter) {
    if (form_filter.empty()) return {};
    std::string out;
    std::size_t pieces = 0;
    std::string_view last;
    while (true) {
        const std::size_t bar = form_filter.find('|');
        last = form_filter.substr(0, bar);
        out.append(last);
        out.push_back('\0');
        ++pieces;
        if (bar == std::string_view::npos) break;
        form_filter.remove_prefix(bar + 1);
    }
    if (pieces % 2 != 0) {
        out.append(last);
        out.push_back('\0');
    }
    out.push_back('\0');
    return out;
}

std::string default_extension(std::string_view text) {
    if (text.starts_with("*.")) {
        text.remove_prefix(2);
    } else if (text.starts_with(".")) {
        text.remove_prefix(1);
    }
    if (text.find_first_of("*?;|. ") != std::string_view::npos) return {};
    return std::string(text);
}

}  // namespace tockly::host::win32
