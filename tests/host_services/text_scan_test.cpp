#include "host/core/text_scan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tockly::host {
namespace {

// GBK-looking filler (bytes with the high bit set) and bytes just beside the ones looked for.
std::string filler(std::size_t n) {
    std::string s;
    const char bytes[] = {'\xb1', '\xed', 'a', '\x0e', '\x0c', '\x7f', '\x80', '@', '\xff', ' '};
    for (std::size_t i = 0; i < n; ++i) s += bytes[i % sizeof bytes];
    return s;
}

TEST(TextScan, FindsEveryByteWhereTheLibraryWouldWhateverItsPlaceInAWord) {
    for (std::size_t size = 0; size <= 40; ++size) {
        for (std::size_t at = 0; at <= size; ++at) {
            std::string text = filler(size);
            if (at < size) text[at] = '\n';
            for (std::size_t from = 0; from <= size; from += 3) {
                EXPECT_EQ(find_byte(text, '\n', from), std::string_view(text).find('\n', from))
                    << size << " " << at << " " << from;
            }
            EXPECT_EQ(find_byte(text, '\xb1'), std::string_view(text).find('\xb1')) << size;
        }
    }
}

TEST(TextScan, SeesNulCrAndLfAnywhereAndNothingElse) {
    for (std::size_t size = 0; size <= 40; ++size) {
        EXPECT_FALSE(has_line_break_or_nul(filler(size))) << size;  // 0x0C and 0x0E are neither
        for (std::size_t at = 0; at < size; ++at) {
            for (char c : {'\0', '\r', '\n'}) {
                std::string text = filler(size);
                text[at] = c;
                EXPECT_TRUE(has_line_break_or_nul(text)) << size << " " << at << " " << int(c);
            }
        }
    }
}

}  // namespace
}  // namespace tockly::host
