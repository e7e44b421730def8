#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/core/date_time.h"
#include "host/win32/clock_setting.h"
#include "host/win32/dialog_filter.h"
#include "host/win32/icon_file.h"
#include "host/win32/json_line.h"
#include "host/win32/second_timer.h"

namespace tockly::host::win32 {
namespace {

// --- Clock setting ---------------------------------------------------------------------------------

TEST(ClockSetting, StartMomentParsesOnlyRealMoments) {
    EXPECT_EQ(parse_clock_start("2026-01-01 13:59:57"), make_date_time(2026, 1, 1, 13, 59, 57));
    EXPECT_EQ(parse_clock_start("2024-02-29 00:00:00"), make_date_time(2024, 2, 29));
    for (const char* bad :
         {"2025-02-29 00:00:00", "2026-01-01 24:00:00", "2026-13-01 00:00:00", "2026-01-01 00:60:00",
          "2026-01-01T00:00:00", "2026-1-01 00:00:00", "2026-01-01 00:00:00 ", "", "2026-01-01"}) {
        EXPECT_FALSE(parse_clock_start(bad)) << bad;
    }
}

TEST(ClockSetting, OffsetTakesSignedWholeMilliseconds) {
    EXPECT_EQ(parse_clock_offset("3600000"), 3600000);
    EXPECT_EQ(parse_clock_offset("-1500"), -1500);
    EXPECT_EQ(parse_clock_offset("+7"), 7);
    EXPECT_EQ(parse_clock_offset("999999999999999999"), 999999999999999999);
    for (const char* bad : {"", "-", "1.5", "12a", " 1", "9999999999999999999"}) {
        EXPECT_FALSE(parse_clock_offset(bad)) << bad;
    }
}

TEST(ClockSetting, ShiftMakesTheClockReadTheStartMoment) {
    const std::int64_t now = make_date_time(2026, 5, 5, 8, 0, 0, 250);
    const std::int64_t start = make_date_time(2026, 1, 1, 13, 59, 57);
    ClockShift s = clock_shift("2026-01-01 13:59:57", "5000", now);
    EXPECT_EQ(now + s.shift_ms, start);  // the start moment wins over the offset
    EXPECT_TRUE(s.error.empty());

    EXPECT_EQ(clock_shift(std::nullopt, "-5000", now).shift_ms, -5000);
    EXPECT_EQ(clock_shift(std::nullopt, std::nullopt, now).shift_ms, 0);

    ClockShift bad = clock_shift("tomorrow", std::nullopt, now);
    EXPECT_EQ(bad.shift_ms, 0);
    EXPECT_NE(bad.error.find("TOCKLY_CLOCK_START"), std::string::npos);
    EXPECT_NE(clock_shift(std::nullopt, "soon", now).error.find("TOCKLY_CLOCK_OFFSET_MS"), std::string::npos);
}

// --- Icon files ------------------------------------------------------------------------------------

struct IconEntry {
    std::uint8_t width;
    std::uint16_t bits;
    std::uint32_t size;
};

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

// An ICO file whose images follow the directory in order, each filled with its index.
std::vector<std::uint8_t> icon_file(const std::vector<IconEntry>& entries) {
    std::vector<std::uint8_t> out;
    put16(out, 0);
    put16(out, 1);
    put16(out, static_cast<std::uint16_t>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const IconEntry& e : entries) {
        out.push_back(e.width);
        out.push_back(e.width);
        out.push_back(0);
        out.push_back(0);
        put16(out, 1);
        put16(out, e.bits);
        put32(out, e.size);
        put32(out, offset);
        offset += e.size;
    }
    for (std::size_t i = 0; i < entries.size(); ++i)
        out.insert(out.end(), entries[i].size, static_cast<std::uint8_t>(i));
    return out;
}

TEST(IconFile, PicksTheSmallestImageThatIsLargeEnough) {
    // 0 stands for 256 pixels.
    const auto file = icon_file({{48, 32, 10}, {16, 8, 4}, {16, 32, 5}, {0, 32, 6}, {32, 32, 7}});
    auto images = read_icon_file(file);
    ASSERT_TRUE(images) << images.error().message();
    ASSERT_EQ(images.value().size(), 5u);
    EXPECT_EQ(images.value()[3].width, 256u);
    EXPECT_EQ(images.value()[2].bytes.front(), 2);  // the data of the third image

    EXPECT_EQ(pick_icon_image(images.value(), 16).bit_count, 32u);  // deeper colour among equals
    EXPECT_EQ(pick_icon_image(images.value(), 16).width, 16u);
    EXPECT_EQ(pick_icon_image(images.value(), 20).width, 32u);
    EXPECT_EQ(pick_icon_image(images.value(), 300).width, 256u);  // none is large enough: the largest
}

TEST(IconFile, RefusesDataOutsideTheFile) {
    auto file = icon_file({{16, 32, 8}});
    ASSERT_TRUE(read_icon_file(file));  // the image ends exactly at the end of the file

    auto short_by_one = file;
    short_by_one.pop_back();
    auto r = read_icon_file(short_by_one);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().field, "icon.entry[0].size");

    auto huge_offset = file;
    huge_offset[18] = huge_offset[19] = huge_offset[20] = huge_offset[21] =
        0xFF;  // offset + size overflows 32 bits
    EXPECT_FALSE(read_icon_file(huge_offset));

    auto cut_directory = file;
    cut_directory.resize(6 + 15);
    EXPECT_EQ(read_icon_file(cut_directory).error().field, "icon.count");

    auto not_icon = file;
    not_icon[2] = 2;  // a cursor file
    EXPECT_EQ(read_icon_file(not_icon).error().field, "icon.type");

    auto none = file;
    none[4] = 0;
    EXPECT_FALSE(read_icon_file(none));
    EXPECT_FALSE(read_icon_file({}));
}

// --- Dialog texts ----------------------------------------------------------------------------------

TEST(DialogTexts, FilterBecomesZeroSeparatedPairs) {
    using namespace std::string_literals;
    EXPECT_EQ(dialog_filter("*.mp3|*.mp3"), "*.mp3\0*.mp3\0\0"s);
    EXPECT_EQ(dialog_filter("Music|*.mp3|All|*.*"), "Music\0*.mp3\0All\0*.*\0\0"s);
    EXPECT_EQ(dialog_filter("*.mp3"), "*.mp3\0*.mp3\0\0"s);  // a description without its pattern
    EXPECT_EQ(dialog_filter(""), "");
}

TEST(DialogTexts, DefaultExtensionWithoutWildcards) {
    const std::pair<const char*, const char*> cases[] = {
        {"*.mp3", "mp3"}, {".mp3", "mp3"},     {"mp3", "mp3"}, {"", ""},
        {"*.*", ""},      {"*.mp3;*.wav", ""}, {"a.b.c", ""}};
    for (const auto& [in, out] : cases) EXPECT_EQ(default_extension(in), out) << in;
}

// --- Second-boundary timer -------------------------------------------------------------------------

TEST(SecondTimer, FallsJustAfterTheNextBoundary) {
    struct Case {
        std::int64_t now;
        std::uint32_t delay;
    };
    const Case cases[] = {
        {1'000'000'000, 20},             // exactly on a boundary: this second's tick is still due
        {1'000'000'025, 995},            // just after the lead: the next boundary
        {1'000'000'010, 10},             // a timer that fell a little early keeps to this boundary
        {1'000'000'999, 21},  {-1, 21},  // before 1970 (a shifted clock): floor, not truncation
        {-999, 19},
        {-500, 520},
    };
    for (const Case& c : cases) EXPECT_EQ(delay_to_next_second(c.now), c.delay) << c.now;
    EXPECT_EQ(delay_to_next_second(1'000'000'000, 0), 1000u);
}

// --- Trace lines -----------------------------------------------------------------------------------

TEST(JsonLine, EscapesWhatJsonRequires) {
    JsonLine line;
    line.text("text", "a\"b\\c\nd\x01\xE6\x97\xB6")
        .number("n", -5)
        .boolean("b", true)
        .raw("args", "[1,null]");
    EXPECT_EQ(line.str(),
              "{\"text\":\"a\\\"b\\\\c\\nd\\u0001\xE6\x97\xB6\",\"n\":-5,\"b\":true,\"args\":[1,null]}\n");
    EXPECT_EQ(hex_id(0x52010001), "0x52010001");
}

}  // namespace
}  // namespace tockly::host::win32
