#include "host/core/text_scan.h"

#include "image/word_scan.h"

namespace tockly::host {

namespace {
using namespace image::word_scan;

bool is_line_break_or_nul(char c) {
    return c == '\0' || c == '\n' || c == '\r';
}
}  // namespace

std::size_t find_byte(std::string_view text, char c, std::size_t from) {
    const Word pattern = kOnes * static_cast<unsigned char>(c);
    std::size_t i = from;
    for (; i + sizeof(Word) <= text.size(); i += sizeof(Word)) {
        if (has_zero_byte(load(text.data() + i) ^ pattern)) break;
    }
    for (; i < text.size(); ++i) {
        if (text[i] == c) return i;
    }
    return std::string_view::npos;
}

bool has_line_break_or_nul(std::string_view text) {
    std::size_t i = 0;
    for (; i + sizeof(Word) <= text.size(); i += sizeof(Word)) {
        // CR (13) is the largest of the three: a word without a byte below 14 holds none of them.
        if (!has_byte_below(load(text.data() + i), '\r' + 1)) continue;
        for (std::size_t k = 0; k < sizeof(Word); ++k) {
            if (is_line_break_or_nul(text[i + k])) return true;
        }
    }
    for (; i < text.size(); ++i) {
        if (is_line_break_or_nul(text[i])) return true;
    }
    return false;
}

}  // namespace tockly::host
