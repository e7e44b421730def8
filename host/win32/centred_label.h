// A label centred both ways draws its text on a single line, however wide: a static control that
// centres vertically does not break lines, and Windows' own word breaking does not break between
// Chinese characters on every version. Such a label is given a window procedure of its own that
// draws text too wide for one line as centred lines (label_lines.h), the block centred vertically,
// in the label's font and colours. Text that fits is left to the control and looks as it always did.
#pragma once

#include <windows.h>

#include <cstddef>

namespace tockly::host::win32 {

void break_label_lines(HWND label);

// How the label's text is laid out now, with its font at the display's resolution.
struct LabelLayout {
    int text_width = 0;  // of the whole text on one line
    int room = 0;        // the label's width
    std::size_t lines = 0;
    std::size_t shown = 0;  // the lines that fit its height
};
LabelLayout label_layout(HWND label);

}  // namespace tockly::host::win32
