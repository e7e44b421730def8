#include "host/core/arg_access.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "host/arg_records.h"

namespace tockly::host {
namespace {

TEST(ArgAccess, TextReadsAsEmptyWhenMissingOmittedNullOrOfAnotherType) {
    const ArgRecord null_text{0, 0, type_word::text};
    const std::vector<ArgRecord> args = {text_arg("abc"), omitted_arg(), null_text, int_arg(7)};
    EXPECT_STREQ(arg_text(args, 0), "abc");
    for (std::size_t i : {1u, 2u, 3u, 4u}) {
        ASSERT_NE(arg_text(args, i), nullptr) << i;
        EXPECT_STREQ(arg_text(args, i), "") << i;
    }
    // The builder never hands a null text on.
    EXPECT_STREQ(reinterpret_cast<const char*>(text_arg(nullptr).low), "");
}

TEST(ArgAccess, ScalarsRoundTripThroughTheirBuildersAndFallBackOnWrongType) {
    for (std::int64_t value : {std::int64_t{0}, std::int64_t{-1}, std::int64_t{1} << 40, INT64_MIN, INT64_MAX,
                               std::int64_t{-86'400'000}}) {
        const std::vector<ArgRecord> args = {date_time_arg(value)};
        EXPECT_EQ(arg_date_time(args, 0), value);
        EXPECT_EQ(args[0].high, static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) >> 32));
    }
    for (std::int32_t value : {0, -1, INT_MIN, INT_MAX}) {
        const std::vector<ArgRecord> args = {int_arg(value)};
        EXPECT_EQ(arg_int(args, 0), value);
    }
    const std::vector<ArgRecord> args = {logical_arg(true), logical_arg(false), text_arg("1"), omitted_arg()};
    EXPECT_TRUE(arg_logical(args, 0));
    EXPECT_FALSE(arg_logical(args, 1, true));
    EXPECT_EQ(arg_int(args, 2, -5), -5);        // a text is not an integer
    EXPECT_EQ(arg_date_time(args, 0, 99), 99);  // a logical is not a date-time
    EXPECT_EQ(arg_int(args, 3, 1), 1);          // omitted: the default
    EXPECT_TRUE(arg_fits(args, 3, type_word::integer));
    EXPECT_TRUE(arg_fits(args, 9, type_word::integer));  // missing counts as omitted
    EXPECT_FALSE(arg_fits(args, 2, type_word::integer));
}

TEST(ArgAccess, UnitReferencesCarryWindowUnitAndTypeNumber) {
    const std::vector<ArgRecord> args = {unit_arg(0x52010001, 0x16010002, 0x0f), text_arg("x")};
    const auto unit = arg_unit(args, 0);
    ASSERT_TRUE(unit.has_value());
    EXPECT_EQ(unit->window, 0x52010001u);
    EXPECT_EQ(unit->unit, 0x16010002u);
    EXPECT_EQ(unit->type_number, 0x0fu);
    EXPECT_FALSE(arg_unit(args, 1).has_value());
    EXPECT_FALSE(arg_unit(args, 2).has_value());
}

TEST(HostNames, KnownNumbersHaveNamesAndOthersNone) {
    EXPECT_STREQ(command_name(command::split_text), "split_text");
    EXPECT_STREQ(command_name(command::ini_write), "ini_write");
    EXPECT_EQ(command_name(0x999), nullptr);
    EXPECT_STREQ(type_word_name(type_word::date_time), "date_time");
    EXPECT_STREQ(type_word_name(type_word::unit(0x0f)), "list_box_unit");
    EXPECT_STREQ(type_word_name(type_word::unit(0x40)), "unit");
    EXPECT_EQ(type_word_name(0x80000999), nullptr);
}

}  // namespace
}  // namespace tockly::host
