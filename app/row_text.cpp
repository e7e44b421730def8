#include "app/row_text.h"

namespace tockly::app {

std::size_t gbk_cut_length(std::string_view text, std::size_t max_bytes) {
    const std::size_t limit = text.size() < max_bytes ? text.size() : max_bytes;
    std::size_t at = 0;
    while (at < limit) {
        if (!is_gbk_lead_byte(static_cast<unsigned char>(text[at]))) {
            ++at;
        } else if (at + 1 < limit) {
            at += 2;
        } else {
            break;  // the character's second byte lies beyond the cut
        }
    }
    return at;
}

std::string replace_at_signs(std::string_view text, std::string_view replacement) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (is_gbk_lead_byte(static_cast<unsigned char>(c)) && at + 1 < text.size()) {
            out += c;
            out += text[++at];
        } else if (c == '@') {
            out += replacement;
        } else {
            out += c;
        }
    }
    return out;
}

bool needs_quotes_for_cmd(std::string_view path) {
    // Inside quotes "%" is still expanded, but quoting is the best a start line can do: a path
    // that names a defined variable between two "%" signs is rare and cmd offers no escape there.
    constexpr std::string_view kSpecial = " \t&^(),;=%!";
    for (std::size_t at = 0; at < path.size(); ++at) {
        const auto byte = static_cast<unsigned char>(path[at]);
        if (is_gbk_lead_byte(byte)) {
            ++at;  // its second byte is part of the character
        } else if (kSpecial.find(static_cast<char>(byte)) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

std::string program_path_for_start(std::string_view path, std::string_view quote_open,
                                   std::string_view quote_close) {
    if (!needs_quotes_for_cmd(path)) return std::string(path);
    std::string out;
    out.reserve(quote_open.size() + path.size() + quote_close.size());
    out.append(quote_open).append(path).append(quote_close);
    return out;
}

}  // namespace tockly::app
