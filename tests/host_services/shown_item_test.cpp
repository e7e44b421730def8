#include "host/core/shown_item.h"

#include <gtest/gtest.h>

#include <string>

namespace tockly::host {
namespace {

std::string repeated(std::string_view piece, std::size_t at_least) {
    std::string out;
    while (out.size() < at_least) out += piece;
    return out;
}

TEST(ShownItem, LongItemsShowTheirStartEndingOnACharacter) {
    const std::string hanzi = "\xce\xc2";  // one double-byte character
    const std::size_t limit = kLongestShownItem;
    struct Case {
        std::string item;
        std::size_t shown;
    };
    const Case cases[] = {
        {"", 0},
        {"08:05:00", 8},
        {repeated("x", limit), limit},
        {repeated("x", limit + 10), limit},
        {repeated(hanzi, limit + 10), limit},
        // A character whose second byte would lie past the limit is left out whole.
        {"x" + repeated(hanzi, limit + 10), limit - 1},
        // A lead byte pairs with an ASCII byte after it, as the rest of the host reads GBK.
        {repeated("x", limit - 1) + "\x81" + "a" + repeated("x", 10), limit - 1},
    };
    for (const auto& c : cases) {
        const std::string_view shown = shown_item_part(c.item);
        EXPECT_EQ(shown.size(), c.shown) << c.item.substr(0, 20);
        EXPECT_EQ(shown, std::string_view(c.item).substr(0, c.shown));
    }
}

}  // namespace
}  // namespace tockly::host
