#include "host/win32/window_places.h"

#include <gtest/gtest.h>

#include <vector>

namespace tockly::host::win32 {
namespace {

const Box kScreen{0, 0, 1024, 768};

TEST(WindowPlaces, AWindowMovesOnlyAsFarAsItMust) {
    struct Case {
        const char* what;
        Box window;
        Box area;
        Box placed;
    };
    const std::vector<Case> cases = {
        {"fits: the design place", {50, 50, 383, 513}, kScreen, {50, 50, 383, 513}},
        {"off the bottom: up by the overhang", {75, 75, 575, 740}, kScreen, {75, 28, 575, 740}},
        {"off the right", {900, 10, 200, 40}, kScreen, {824, 10, 200, 40}},
        {"left of a second monitor's area", {-10, 10, 100, 40}, {0, 0, 800, 600}, {0, 10, 100, 40}},
        {"taller than the area: cut, caption on screen",
         {75, 75, 575, 770},
         {0, 0, 1024, 738},
         {75, 0, 575, 738}},
        {"a work area that does not start at 0", {0, 0, 100, 40}, {0, 30, 1024, 738}, {0, 30, 100, 40}},
    };
    for (const Case& c : cases) EXPECT_EQ(fit_inside(c.window, c.area), c.placed) << c.what;
}

TEST(WindowPlaces, PopupsStandBesideEachOther) {
    const Box design{50, 50, 344, 40};
    const int gap = 4;
    EXPECT_EQ(popup_place(design, {}, kScreen, gap), design) << "the first keeps the design place";

    std::vector<Box> shown;
    for (int i = 0; i < 3; ++i) shown.push_back(popup_place(design, shown, kScreen, gap));
    EXPECT_EQ(shown[1], (Box{50, 94, 344, 40})) << "the next below the first";
    EXPECT_EQ(shown[2], (Box{50, 138, 344, 40}));

    shown.erase(shown.begin() + 1);
    EXPECT_EQ(popup_place(design, shown, kScreen, gap), (Box{50, 94, 344, 40}))
        << "a closed popup's place is free";

    // A popup of another size (a different window) that covers the design place is stepped around.
    EXPECT_EQ(popup_place(design, {Box{0, 0, 400, 100}}, kScreen, gap), (Box{50, 138, 344, 40}));
}

TEST(WindowPlaces, AFullColumnGoesOnBesideThenBackToTheDesignPlace) {
    const Box design{50, 50, 344, 40};
    const Box area{0, 0, 800, 180};  // room for three popups below each other, two columns
    std::vector<Box> shown;
    for (int i = 0; i < 6; ++i) shown.push_back(popup_place(design, shown, area, 4));
    EXPECT_EQ(shown[2], (Box{50, 138, 344, 40}));
    EXPECT_EQ(shown[3], (Box{398, 50, 344, 40})) << "beside, once the column is full";
    EXPECT_EQ(shown[5], (Box{398, 138, 344, 40}));
    EXPECT_EQ(popup_place(design, shown, area, 4), design) << "no free place: the design place";

    // A popup whose design place lies off the area starts inside it.
    EXPECT_EQ(popup_place(Box{700, 700, 344, 40}, {}, kScreen, 4), (Box{680, 700, 344, 40}));
}

}  // namespace
}  // namespace tockly::host::win32
