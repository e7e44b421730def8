#include "host/win32/label_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tockly::host::win32 {
namespace {

// GBK bytes of the characters used below (each two bytes, as a label's text holds them).
const std::string kNao = "\xC4\xD6";    // 闹
const std::string kZhong = "\xD6\xD3";  // 钟
const std::string kTi = "\xCC\xE1";     // 提
const std::string kShi = "\xCA\xBE";    // 示
// A lead byte whose second byte is ASCII: still one character to code page 936.
const std::string kOddPair = "\x81\x41";

// One pixel a byte: a Chinese character is two wide, an ASCII one one.
int byte_width(std::string_view text) {
    return static_cast<int>(text.size());
}

std::vector<std::string> lines_of(const std::string& text, int room) {
    std::vector<std::string> out;
    for (const LineSpan& line : break_into_lines(text, room, byte_width))
        out.push_back(text.substr(line.offset, line.length));
    return out;
}

std::string repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(LabelLines, BreaksOnlyWhereALineMayEnd) {
    const std::string prefix = kNao + kZhong + kTi + kShi + ": ";  // "闹钟提示: ", 10 bytes
    struct Case {
        const char* what;
        std::string text;
        int room;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"fits: one line, blanks kept", " " + prefix + kNao + " ", 20, {" " + prefix + kNao + " "}},
        {"exactly the room: one line", prefix + kNao + kZhong + kTi, 16, {prefix + kNao + kZhong + kTi}},
        {"between any two Chinese characters", repeat(kNao, 5), 4, {kNao + kNao, kNao + kNao, kNao}},
        {"odd room never splits a pair", repeat(kNao, 3), 5, {kNao + kNao, kNao}},
        {"at the blank, which is dropped",
         prefix + kZhong + kTi,
         10,
         {kNao + kZhong + kTi + kShi + ":", kZhong + kTi}},
        {"ASCII words stay whole", "ab cd ef", 5, {"ab cd", "ef"}},
        {"several blanks at a break all go", "ab   cd", 3, {"ab", "cd"}},
        {"ASCII next to Chinese may break", "abc" + kNao + "de", 5, {"abc" + kNao, "de"}},
        {"a word wider than a line is cut between characters",
         "abcdefgh " + kNao,
         3,
         {"abc", "def", "gh", kNao}},
        {"a character wider than the room stands alone", kNao + kZhong, 1, {kNao, kZhong}},
        {"a lead byte with an ASCII second byte is one character",
         kOddPair + kOddPair,
         3,
         {kOddPair, kOddPair}},
        {"a lead byte at the very end stands alone", kNao + kZhong + "\xC4", 3, {kNao, kZhong + "\xC4"}},
        {"empty text: no line", "", 10, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(lines_of(c.text, c.room), c.lines) << c.what;
}

TEST(LabelLines, FortyByteMixOfAsciiAndChineseKeepsEveryByte) {
    // "闹钟提示: " and a 40-byte message of ASCII words and Chinese characters, in a room that
    // takes about 30 bytes: every byte but the dropped blanks comes out, in order.
    const std::string message =
        "Meet " + repeat(kNao + kZhong, 4) + " at 10:30 " + repeat(kTi + kShi, 2) + "!";
    ASSERT_EQ(message.size(), 40u);
    const std::string text = kNao + kZhong + kTi + kShi + ": " + message;
    std::string joined;
    for (const std::string& line : lines_of(text, 30)) {
        EXPECT_LE(line.size(), 30u) << line;
        EXPECT_FALSE(line.empty());
        EXPECT_NE(line.front(), ' ');
        EXPECT_NE(line.back(), ' ');
        joined += line;
    }
    std::string without_break_blanks = text;
    std::erase(without_break_blanks, ' ');
    std::erase(joined, ' ');
    EXPECT_EQ(joined, without_break_blanks);
}

TEST(LabelLines, OverflowIsCutAtTheEnd) {
    EXPECT_EQ(lines_shown(2, 20, 42), 2u);
    EXPECT_EQ(lines_shown(3, 20, 42), 2u);  // the first two, the third cut
    EXPECT_EQ(lines_shown(3, 50, 42), 1u);  // not even one line fits: still the first
    EXPECT_EQ(lines_shown(1, 20, 42), 1u);
    EXPECT_EQ(lines_shown(0, 20, 42), 0u);
}

}  // namespace
}  // namespace tockly::host::win32
