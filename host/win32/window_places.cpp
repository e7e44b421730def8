#include "host/win32/window_places.h"

#include <algorithm>

namespace tockly::host::win32 {

Box fit_inside(Box window, const Box& area) {
    window.width = std::min(window.width, area.width);
    window.height = std::min(window.height, area.height);
    window.left = std::clamp(window.left, area.left, area.right() - window.width);
    window.top = std::clamp(window.top, area.top, area.bottom() - window.height);
    return window;
}

Box popup_place(const Box& design, const std::vector<Box>& shown, const Box& area, int gap) {
    const Box first = fit_inside(design, area);
    const int step_x = std::max(first.width + gap, 1);
    const int step_y = std::max(first.height + gap, 1);
    for (Box column = first; column.right() <= area.right(); column.left += step_x) {
        for (Box place = column; place.bottom() <= area.bottom(); place.top += step_y) {
            const bool taken = std::any_of(shown.begin(), shown.end(),
                                           [&](const Box& other) { return other.overlaps(place); });
            if (!taken) return place;
        }
    }
    return first;
}

}  // namespace tockly::host::win32
