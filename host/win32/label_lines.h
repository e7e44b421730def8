// The lines a centred label draws its text in when one line is too wide for it. A line may end
// between two characters when either of them is a double-byte (Chinese) character, and after a
// blank; never inside a double-byte character. Measuring is left to the caller, so the breaking
// follows whatever font the label really draws with.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace tockly::host::win32 {

struct LineSpan {
    std::size_t offset = 0;  // in bytes, into the text
    std::size_t length = 0;
    bool operator==(const LineSpan&) const = default;
};

// The width, in pixels, of a piece of GBK text drawn on one line.
using MeasureText = std::function<int(std::string_view gbk)>;

// The text's lines, first to last, each as wide as `room` allows. Blanks where a line breaks are
// dropped. A run without a break that is wider than a line is cut between characters (at least one
// character a line). Text that fits on one line is one line, the whole text. Empty text: no line.
std::vector<LineSpan> break_into_lines(std::string_view gbk, int room, const MeasureText& measure);

// How many of `count` lines of `line_height` a label `height` high shows: the first ones, at least
// one, so that what does not fit is cut at the end, never at the start.
std::size_t lines_shown(std::size_t count, int line_height, int height);

}  // namespace tockly::host::win32
