// Where windows go on the screen: inside the work area of their monitor, and popups side by side
// rather than on top of each other. Plain geometry, in screen pixels.
#pragma once

#include <vector>

namespace tockly::host::win32 {

struct Box {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool overlaps(const Box& other) const {
        return left < other.right() && other.left < right() && top < other.bottom() && other.top < bottom();
    }
    bool operator==(const Box&) const = default;
};

// `window` moved only as far as it must to lie inside `area`. A window larger than the area is cut
// to the area's size, from its right and bottom, so its caption bar stays on the screen.
Box fit_inside(Box window, const Box& area);

// The place for a popup opened while `shown` popups stand: its design place (fitted into `area`)
// when that is free, else the nearest free place below it, with `gap` pixels between popups, then
// the next column to its right, and so on inside the area. A place is free when no shown popup
// overlaps it, so the place of a closed popup is taken again. With no free place left, the
// design place.
Box popup_place(const Box& design, const std::vector<Box>& shown, const Box& area, int gap);

}  // namespace tockly::host::win32
