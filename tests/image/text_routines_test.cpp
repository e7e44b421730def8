#include "image/text_routines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "image/byte_writer.h"
#include "image/handler_stub.h"

namespace tockly::image {
namespace {

TEST(TextRoutines, CompareTreatsNullAsEmptyAndBytesAsUnsigned) {
    struct Case {
        const char* a;
        const char* b;
        int want;
    };
    const Case cases[] = {
        {nullptr, nullptr, 0}, {nullptr, "", 0},     {"", nullptr, 0},    {nullptr, "a", -1},
        {"a", nullptr, 1},     {"ab", "a", 1},       {"a", "ab", -1},     {"ab", "ab", 0},
        {"ab", "ac", -1},      {"\xb1\xed", "z", 1}, {"\x80", "\x7f", 1}, {"08:30:00", "08:30:00", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text_compare(c.a, c.b), c.want) << (c.a ? c.a : "null") << " vs " << (c.b ? c.b : "null");
    }
    EXPECT_EQ(text_length(nullptr), 0u);
    EXPECT_EQ(text_length("\xb1\xed"), 2u);
}

struct Allocations {
    int count = 0;
    std::uint32_t last_size = 0;
    static void* allocate(void* context, std::uint32_t size) {
        auto* self = static_cast<Allocations*>(context);
        ++self->count;
        self->last_size = size;
        return std::malloc(size);
    }
};

TEST(TextRoutines, ConcatenateMakesOneNewBlockInArgumentOrder) {
    Allocations a;
    char* out = concatenate({"x", nullptr, "y"}, &Allocations::allocate, &a);
    ASSERT_NE(out, nullptr);
    EXPECT_STREQ(out, "xy");
    EXPECT_EQ(a.count, 1);
    EXPECT_EQ(a.last_size, 3u);
    std::free(out);

    out = concatenate({"08:", "30:", "00", "  ", "\xce\xc2", "", "!"}, &Allocations::allocate, &a);
    EXPECT_STREQ(out, "08:30:00  \xce\xc2!");
    std::free(out);

    auto fail = [](void*, std::uint32_t) -> void* { return nullptr; };
    EXPECT_EQ(concatenate({"a", "b"}, fail, nullptr), nullptr);
}

TEST(TextRoutines, FloatToIntegerTruncatesAndSaturatesToTheMostNegative) {
    const std::int64_t min = std::numeric_limits<std::int64_t>::min();
    struct Case {
        double in;
        std::int64_t want;
    };
    const Case cases[] = {
        {3.7, 3},
        {-3.7, -3},
        {2.9999, 2},
        {-0.5, 0},
        {1.0, 1},
        {9007199254740993.0, 9007199254740992},
        {-9223372036854775808.0, min},
        {9223372036854775808.0, min},
        {1e300, min},
        {-1e300, min},
        {std::numeric_limits<double>::infinity(), min},
        {std::nan(""), min},
    };
    for (const auto& c : cases) EXPECT_EQ(float_to_integer(c.in), c.want) << c.in;
}

TEST(TextRoutines, ArrayElementCount) {
    auto block = [](std::initializer_list<std::uint32_t> words) {
        std::vector<std::uint8_t> b;
        for (auto w : words) put_u32(b, w);
        return b;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::uint64_t count;
        std::size_t first;
    };
    const Case cases[] = {
        {"empty array initialiser", block({1, 0}), 0, 8},
        {"no dimensions", block({0}), 0, 4},
        {"one dimension", block({1, 3, 7, 8, 9}), 3, 8},
        {"two dimensions", block({2, 2, 3}), 6, 12},
        {"product past 32 bits", block({2, 0x10000, 0x10000}), 0x100000000ull, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = array_elements(c.bytes.data());
        EXPECT_EQ(r.count, c.count);
        EXPECT_EQ(r.first, c.bytes.data() + c.first);
    }
    EXPECT_EQ(array_elements(nullptr).count, 0u);
    EXPECT_EQ(array_elements(nullptr).first, nullptr);
}

TEST(HandlerStub, EmitsAndDecodesTheRoutineShape) {
    struct Case {
        HandlerStub stub;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {{0, 0}, {0xB8, 0, 0, 0, 0, 0xC3}},
        {{21, 3}, {0xB8, 21, 0, 0, 0, 0xC2, 12, 0}},
        {{0x01020304, 1}, {0xB8, 4, 3, 2, 1, 0xC2, 4, 0}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> code = {0x90};
        emit_handler_stub(code, c.stub);
        EXPECT_EQ(std::vector<std::uint8_t>(code.begin() + 1, code.end()), c.bytes);
        auto back = decode_handler_stub(code, 1);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->handler_index, c.stub.handler_index);
        EXPECT_EQ(back->arg_count, c.stub.arg_count);
    }
}

TEST(HandlerStub, RefusesOtherBytesAndShortCode) {
    const std::vector<std::vector<std::uint8_t>> bad = {
        {},
        {0xB8, 0, 0, 0, 0},              // cut before the return
        {0xB9, 0, 0, 0, 0, 0xC3},        // not mov eax
        {0xB8, 0, 0, 0, 0, 0x90},        // not a return
        {0xB8, 0, 0, 0, 0, 0xC2, 4},     // ret n cut short
        {0xB8, 0, 0, 0, 0, 0xC2, 0, 0},  // ret 0 is not the shape
        {0xB8, 0, 0, 0, 0, 0xC2, 6, 0},  // not whole words
    };
    for (const auto& code : bad) EXPECT_FALSE(decode_handler_stub(code, 0).has_value()) << code.size();
    std::vector<std::uint8_t> code = {0xB8, 0, 0, 0, 0, 0xC3};
    EXPECT_FALSE(decode_handler_stub(code, 1).has_value());
    EXPECT_FALSE(decode_handler_stub(code, 7).has_value());
    EXPECT_FALSE(decode_handler_stub(code, 0xFFFFFFFFFFFFFFFFull).has_value());
}

TEST(TextRoutines, MeasuresTextsAtEveryAlignment) {
    alignas(16) char buffer[64];
    for (std::size_t start = 0; start < 16; ++start) {
        for (std::size_t length = 0; start + length < sizeof buffer; ++length) {
            std::memset(buffer, '\xb1', sizeof buffer);
            buffer[start + length] = '\0';
            EXPECT_EQ(text_length(buffer + start), length) << start << " " << length;
        }
    }
}

}  // namespace
}  // namespace tockly::image
