#include "image/json/gbk_text.h"

#include <gtest/gtest.h>

#include <random>

namespace tockly::image {
namespace {

// Expected display texts are UTF-8 whatever charset plain literals are compiled to.
std::string utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

TEST(GbkText, DisplaysDecodableTextAsUtf8AndEscapesTheRest) {
    struct Case {
        std::string gbk;
        std::string shown;
    };
    const Case cases[] = {
        {"", ""},
        {"\xce\xc2\xdc\xb0\xcc\xe1\xca\xbe", utf8(u8"温馨提示")},
        {"\\data.ini", "\\data.ini"},  // a lone backslash stays single
        {"a\\b\\", "a\\b\\"},
        {"\\x41", "\\\\x41"},  // a backslash before "x" is doubled
        {"\\\\", "\\\\\\"},    // before another backslash too
        {"\x80", "\\x80"},     // not a GBK lead byte
        {"\xff", "\\xff"},
        {"\xb1", "\\xb1"},          // lead byte at the end
        {"\xb1\x7f", "\\xb1\x7f"},  // lead byte before a byte that is no trail byte
        {"\\\x80", "\\\\\\x80"},    // a backslash before an escape
        {"\xb1\xed:\t", utf8(u8"表:\t")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(gbk_to_display(c.gbk), c.shown) << c.shown;
        auto back = gbk_from_display(c.shown);
        ASSERT_TRUE(back.ok()) << c.shown;
        EXPECT_EQ(*back, c.gbk) << c.shown;
    }
}

TEST(GbkText, EveryByteStringComesBack) {
    std::mt19937 rng(7);
    const std::string alphabet = "\\x0aZ\xb1\xed\x80\xff\xa1\x40\x7f";
    for (int round = 0; round < 3000; ++round) {
        std::string gbk;
        int len = static_cast<int>(rng() % 12);
        for (int i = 0; i < len; ++i) {
            gbk.push_back(round % 2 ? alphabet[rng() % alphabet.size()] : static_cast<char>(rng() & 0xFF));
        }
        auto back = gbk_from_display(gbk_to_display(gbk));
        ASSERT_TRUE(back.ok());
        ASSERT_EQ(*back, gbk) << gbk_to_display(gbk);
    }
}

TEST(GbkText, ReadingBackRefusesWhatIsNotGbkOrNotUtf8) {
    struct Case {
        std::string text;
        std::uint64_t offset;
    };
    const Case cases[] = {
        {"ok \xf0\x9f\x98\x80", 3},  // an emoji has no GBK form
        {"\xe4\xb8", 0},             // cut UTF-8
        {"a\x80", 1},                // a continuation byte alone
    };
    for (const auto& c : cases) {
        auto r = gbk_from_display(c.text);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error().offset, c.offset);
    }
    // A backslash that starts no escape is itself.
    EXPECT_EQ(gbk_from_display("\\xZ1\\q").value(), "\\xZ1\\q");
}

}  // namespace
}  // namespace tockly::image
