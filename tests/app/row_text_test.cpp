#include "app/row_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tockly::app {
namespace {

// The literals below compile to GBK: each Chinese character is two bytes.
TEST(GbkCut, NeverEndsInsideACharacter) {
    struct Case {
        std::string text;
        std::size_t max;
        std::size_t expected;
    } cases[] = {
        {"abcdef", 4, 4},
        {"abc", 40, 3},  // shorter than the cut: kept whole
        {"", 40, 0},
        {"a开会", 3, 3},  // ends right after a character
        {"a开会", 4, 3},  // would end after 会's lead byte: the lead byte goes
        {"开会", 1, 0},
        {"ab\x81", 3, 2},  // a lone lead byte at the very end is dropped too
        {"\x80"
         "a",
         2, 2},  // 0x80 and 0xFF are single bytes
        {"a\xff"
         "b",
         2, 2},
        {std::string(39, 'x') + "开", 40, 39},
        {std::string(38, 'x') + "开会", 40, 40},
        {"癅@", 3, 3},  // 0x40 as a second byte is part of its character
    };
    for (const auto& c : cases)
        EXPECT_EQ(gbk_cut_length(c.text, c.max), c.expected) << c.text << " / " << c.max;
}

TEST(AtSigns, BecomeFullWidthExceptInsideACharacter) {
    struct Case {
        std::string text;
        std::string expected;
    } cases[] = {
        {"a@b@", "a＠b＠"},
        {"no sign", "no sign"},
        {"", ""},
        {"@@", "＠＠"},
        {"癅", "癅"},  // B0 40: its second byte is not an "@"
        {"开会癅@x", "开会癅＠x"},
        {"ab\x81", "ab\x81"},  // a dangling lead byte is kept as it is
        {"\x81@", "\x81@"},    // the lead byte takes the "@" as its second half
    };
    for (const auto& c : cases) EXPECT_EQ(replace_at_signs(c.text, "＠"), c.expected) << c.text;
}

TEST(ProgramPath, QuotedWhenCmdWouldTreatACharacterSpecially) {
    const struct {
        const char* path;
        bool quoted;
    } cases[] = {
        {"C:\\tools\\a.exe", false},
        {"", false},
        {"C:\\Program Files\\a b.exe", true},
        {"C:\\R&D\\x(1).exe", true},  // bare, cmd would run "C:\R" and then "D\x(1).exe"
        {"C:\\a^b.exe", true},
        {"C:\\a(b.exe", true},
        {"C:\\a)b.exe", true},
        {"C:\\a,b.exe", true},
        {"C:\\a;b.exe", true},
        {"C:\\a=b.exe", true},
        {"C:\\50%\\a.exe", true},
        {"C:\\hi!\\a.exe", true},
        {"C:\\a-b_c.d'e+f[1]{2}~3.exe", false},  // nothing cmd treats specially
        {"C:\\工具\\闹钟.exe", false},
        {"C:\\\x81^.exe", false},  // "^" is the second byte of a two-byte character here
        {"C:\\\x81"
         "a^.exe",
         true},  // ... and here a character of its own
    };
    for (const auto& c : cases) {
        const std::string expected = c.quoted ? "\"\" \"" + std::string(c.path) + "\"" : c.path;
        EXPECT_EQ(program_path_for_start(c.path, "\"\" \"", "\""), expected) << c.path;
    }
}

}  // namespace
}  // namespace tockly::app
