#include "host/win32/label_lines.h"

#include <algorithm>

#include "image/gbk_bytes.h"

namespace tockly::host::win32 {

namespace {

struct Character {
    std::size_t offset = 0;
    std::size_t length = 1;
    bool wide() const { return length == 2; }
};

// A lead byte and the byte after it are one character, as code page 936 reads them.
std::vector<Character> characters_of(std::string_view gbk) {
    std::vector<Character> out;
    for (std::size_t i = 0; i < gbk.size();) {
        const bool pair = image::is_gbk_lead_byte(static_cast<unsigned char>(gbk[i])) && i + 1 < gbk.size();
        out.push_back(Character{i, pair ? 2u : 1u});
        i += pair ? 2 : 1;
    }
    return out;
}

bool is_blank(std::string_view gbk, const Character& c) {
    return c.length == 1 && gbk[c.offset] == ' ';
}

}  // namespace

std::vector<LineSpan> break_into_lines(std::string_view gbk, int room, const MeasureText& measure) {
    if (gbk.empty()) return {};
    if (measure(gbk) <= room) return {LineSpan{0, gbk.size()}};
    const std::vector<Character> chars = characters_of(gbk);
    const std::size_t n = chars.size();
    auto byte_at = [&](std::size_t index) { return index < n ? chars[index].offset : gbk.size(); };
    // A line may end before character `i`.
    auto may_break_before = [&](std::size_t i) {
        if (i == 0) return false;
        if (i >= n) return true;
        return chars[i - 1].wide() || chars[i].wide() || is_blank(gbk, chars[i - 1]);
    };
    // The line from `start` up to `end`, its trailing blanks dropped.
    auto span = [&](std::size_t start, std::size_t end) {
        while (end > start + 1 && is_blank(gbk, chars[end - 1])) --end;
        return LineSpan{byte_at(start), byte_at(end) - byte_at(start)};
    };
    auto fits = [&](const LineSpan& line) { return measure(gbk.substr(line.offset, line.length)) <= room; };

    std::vector<LineSpan> lines;
    std::size_t start = 0;
    while (start < n) {
        if (!lines.empty()) {
            while (start < n && is_blank(gbk, chars[start])) ++start;  // a broken line starts with its text
            if (start == n) break;
        }
        std::size_t end = 0;
        for (std::size_t i = start + 1; i <= n; ++i) {
            if (!may_break_before(i)) continue;
            if (!fits(span(start, i))) break;
            end = i;
        }
        if (end == 0) {
            // No break fits: cut the run between characters, keeping at least one on the line.
            end = start + 1;
            while (end < n && fits(span(start, end + 1))) ++end;
        }
        lines.push_back(span(start, end));
        start = end;
    }
    return lines;
}

std::size_t lines_shown(std::size_t count, int line_height, int height) {
    if (count == 0) return 0;
    const int room = line_height > 0 ? height / line_height : 1;
    return std::clamp<std::size_t>(static_cast<std::size_t>(std::max(room, 1)), 1, count);
}

}  // namespace tockly::host::win32
