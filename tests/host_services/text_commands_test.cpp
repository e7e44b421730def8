#include "host/core/text_commands.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "host/arg_records.h"
#include "image/text_routines.h"

namespace tockly::host {
namespace {

// Takes a returned text, checks it is a live block and releases it.
std::string take(CountingAllocator& memory, char* text) {
    EXPECT_NE(text, nullptr);
    if (text == nullptr) return "<null>";
    EXPECT_TRUE(memory.is_live(text));
    std::string out = text;
    memory.release(text);
    return out;
}

std::vector<std::string> take_array(CountingAllocator& memory, void* array) {
    std::vector<std::string> out;
    const auto count = image::array_elements(array).count;
    for (std::uint64_t i = 0; i < count; ++i) {
        const char* text;
        std::memcpy(&text, image::array_elements(array).first + i * sizeof(char*), sizeof(char*));
        out.emplace_back(text);
    }
    release_text_array(memory, array);
    return out;
}

TEST(TextCommands, LeftAndMiddlePartCountBytes) {
    struct Case {
        const char* text;
        std::int32_t start;  // 0 selects left part
        std::int32_t n;
        const char* expected;
    };
    const Case cases[] = {
        {"08:05:00     \xce\xc2\xdc\xb0", 0, 2, "08"},
        {"abc", 0, 0, ""},
        {"abc", 0, -1, ""},
        {"abc", 0, 99, "abc"},
        {"abc", 0, INT_MAX, "abc"},
        {"", 0, 3, ""},
        {"\xce\xc2\xdc\xb0", 0, 3, "\xce\xc2\xdc"},  // cut where told, even inside a character
        {"08:05:00", 4, 2, "05"},
        {"08:05:00", 7, 2, "00"},
        {"08:05:00", 7, 99, "00"},
        {"08:05:00", 8, 1, "0"},
        {"08:05:00", 9, 1, ""},  // start just past the end
        {"08:05:00", INT_MAX, INT_MAX, ""},
        {"08:05:00", 1, 0, ""},
        {"08:05:00", 1, -3, ""},
        {"08:05:00", 0x80000000 - 1, 1, ""},
        {"abc", -5, 2, "ab"},  // a start below 1 counts from the first byte
    };
    for (const Case& c : cases) {
        CountingAllocator memory;
        char* got = c.start == 0 ? left_part(memory, c.text, c.n) : middle_part(memory, c.text, c.start, c.n);
        EXPECT_EQ(take(memory, got), c.expected) << c.text << " " << c.start << " " << c.n;
        EXPECT_TRUE(memory.balanced());
    }
}

TEST(TextCommands, IntegerToTextAndBack) {
    struct Case {
        std::int32_t value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"}, {7, "7"}, {-42, "-42"}, {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"}};
    for (const Case& c : cases) {
        CountingAllocator memory;
        EXPECT_EQ(take(memory, integer_to_text(memory, c.value)), c.text);
        EXPECT_EQ(text_to_integer(c.text), c.value);
    }
}

TEST(TextCommands, ToIntegerReadsLeadingDecimalAndClamps) {
    struct Case {
        const char* text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"08", 8},
        {"  \t15", 15},
        {"+3", 3},
        {"-0", 0},
        {"12ab", 12},
        {"1 2", 1},
        {"", 0},
        {"abc", 0},
        {"-", 0},
        {" - 5", 0},
        {"2147483648", INT_MAX},
        {"-2147483649", INT_MIN},
        {"99999999999999999999999", INT_MAX},
        {"\xce\xc2", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(text_to_integer(c.text), c.expected) << c.text;
    EXPECT_EQ(text_to_integer(nullptr), 0);
}

TEST(TextCommands, SplitGivesThePiecesBetweenSeparators) {
    using Pieces = std::vector<std::string>;
    struct Case {
        const char* text;
        const char* separator;
        std::int32_t limit;
        Pieces expected;
    };
    const Case cases[] = {
        {"A@B@", "@", -1, {"A", "B"}},
        {"A@B", "@", -1, {"A", "B"}},
        {"", "@", -1, {}},
        {"@", "@", -1, {""}},
        {"@@", "@", -1, {"", ""}},
        {"A@@B@", "@", -1, {"A", "", "B"}},
        {"A", "@", -1, {"A"}},
        {"A@B", "", -1, {"A@B"}},  // no separator: the whole text
        {"A--B--C", "--", -1, {"A", "B", "C"}},
        {"A@B@C", "@", 2, {"A", "B"}},
        {"A@B@C", "@", 0, {}},
    };
    for (const Case& c : cases) {
        CountingAllocator memory;
        EXPECT_EQ(take_array(memory, split_text(memory, c.text, c.separator, c.limit)), c.expected) << c.text;
        EXPECT_TRUE(memory.balanced()) << c.text;
    }
}

TEST(TextCommands, DispatchByNumberAndMalformedCallsAnswerNothing) {
    CountingAllocator memory;
    auto call = [&](std::uint32_t command, std::vector<ArgRecord> args) {
        return call_text_command(memory, command, args);
    };
    auto text = [](std::optional<std::uint64_t> r) {
        return reinterpret_cast<char*>(static_cast<std::uintptr_t>(*r));
    };

    EXPECT_EQ(take(memory, text(call(command::left_part, {text_arg("08:05:00"), int_arg(2)}))), "08");
    EXPECT_EQ(take(memory, text(call(command::middle_part, {text_arg("08:05:00"), int_arg(4), int_arg(2)}))),
              "05");
    EXPECT_EQ(take(memory, text(call(command::integer_to_text, {int_arg(-9)}))), "-9");
    // A null text pointer in a record is the empty text.
    EXPECT_EQ(take(memory, text(call(command::left_part, {ArgRecord{0, 0, type_word::text}, int_arg(2)}))),
              "");
    void* pieces = text(call(command::split_text, {text_arg("A@B@"), text_arg("@"), omitted_arg()}));
    EXPECT_EQ(take_array(memory, pieces), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(call(command::to_integer, {text_arg(" 23")}), 23u);
    EXPECT_EQ(call(command::to_integer, {int_arg(-1)}), 0xFFFFFFFFu);  // 32-bit results are zero-extended

    const std::vector<std::pair<std::uint32_t, std::vector<ArgRecord>>> malformed = {
        {command::left_part, {int_arg(1), int_arg(2)}},
        {command::left_part, {text_arg("abc")}},
        {command::middle_part, {text_arg("abc"), int_arg(1), text_arg("2")}},
        {command::integer_to_text, {text_arg("5")}},
        {command::integer_to_text, {}},
        {command::split_text, {int_arg(5), text_arg("@")}},
        {command::to_integer, {logical_arg(true)}},
        {command::to_integer, {}},
    };
    for (const auto& [command, args] : malformed) EXPECT_EQ(call(command, args), 0u) << command_name(command);
    EXPECT_FALSE(call(command::ini_read, {}).has_value());  // not a text command
    EXPECT_TRUE(memory.balanced());
}

}  // namespace
}  // namespace tockly::host
