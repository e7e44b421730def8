#include "host/core/date_time.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/arg_records.h"

namespace tockly::host {
namespace {

TEST(Calendar, DaysAndDatesAgreeDayByDayAcrossEightCenturies) {
    // Walking day by day from 1600-01-01 must visit every date once, in order, with the leap
    // rules (1700, 1800, 1900 no leap day; 1600, 2000 one).
    std::int64_t days = days_from_civil(1600, 1, 1);
    CivilDate expected{1600, 1, 1};
    for (; expected.year < 2401; ++days) {
        const CivilDate got = civil_from_days(days);
        ASSERT_EQ(got.year, expected.year) << days;
        ASSERT_EQ(got.month, expected.month) << days;
        ASSERT_EQ(got.day, expected.day) << days;
        ASSERT_EQ(days_from_civil(got.year, got.month, got.day), days);
        if (++expected.day > days_in_month(expected.year, expected.month)) {
            expected.day = 1;
            if (++expected.month > 12) {
                expected.month = 1;
                ++expected.year;
            }
        }
    }
    EXPECT_EQ(days_from_civil(1970, 1, 1), 0);
    EXPECT_EQ(days_from_civil(2000, 3, 1), 11017);
    EXPECT_EQ(days_from_civil(1969, 12, 31), -1);
    EXPECT_FALSE(is_leap_year(1900));
    EXPECT_TRUE(is_leap_year(2000));
    EXPECT_TRUE(is_leap_year(-4));
}

TEST(DateTime, TimeOfDayBeforeAndAfter1970) {
    struct Case {
        std::int64_t value;
        int hour, minute, second;
    };
    const Case cases[] = {
        {0, 0, 0, 0},
        {-1, 23, 59, 59},  // one millisecond before 1970: the previous day's last second
        {-1000, 23, 59, 59},
        {-1001, 23, 59, 58},
        {make_date_time(1969, 7, 20, 20, 17, 40), 20, 17, 40},
        {make_date_time(2024, 2, 29, 9, 3, 7, 999), 9, 3, 7},
        {make_date_time(1600, 3, 1, 23, 0, 1), 23, 0, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hour_of(c.value), c.hour) << c.value;
        EXPECT_EQ(minute_of(c.value), c.minute) << c.value;
        EXPECT_EQ(second_of(c.value), c.second) << c.value;
        const DateTimeParts parts = split_date_time(c.value);
        EXPECT_EQ(parts.hour * 3600 + parts.minute * 60 + parts.second,
                  c.hour * 3600 + c.minute * 60 + c.second);
        EXPECT_EQ(make_date_time(parts.date.year, parts.date.month, parts.date.day, parts.hour, parts.minute,
                                 parts.second, parts.millisecond),
                  c.value);
    }
}

TEST(DateTime, AddParts) {
    const std::int64_t base = make_date_time(2024, 5, 1, 23, 50, 10);
    struct Case {
        std::int64_t value;
        std::uint32_t part;
        std::int64_t amount;
        std::int64_t expected;
    };
    const Case cases[] = {
        {base, date_part::minute, 15, make_date_time(2024, 5, 2, 0, 5, 10)},
        {make_date_time(2024, 5, 1, 9, 3, 7), date_part::minute, 5, make_date_time(2024, 5, 1, 9, 8, 7)},
        {make_date_time(2024, 5, 1, 0, 5, 0), date_part::minute, -10, make_date_time(2024, 4, 30, 23, 55, 0)},
        {make_date_time(1970, 1, 1, 0, 0, 30), date_part::minute, -1,
         make_date_time(1969, 12, 31, 23, 59, 30)},
        {base, date_part::minute, 0, base},
        {base, date_part::second, 50, make_date_time(2024, 5, 1, 23, 51, 0)},
        {base, date_part::second, 590, make_date_time(2024, 5, 2, 0, 0, 0)},
        {base, date_part::hour, -24, make_date_time(2024, 4, 30, 23, 50, 10)},
        {base, date_part::day, 366, make_date_time(2025, 5, 2, 23, 50, 10)},
        {base, date_part::week, -1, make_date_time(2024, 4, 24, 23, 50, 10)},
        {make_date_time(2024, 1, 31, 8, 0, 0), date_part::month, 1, make_date_time(2024, 2, 29, 8, 0, 0)},
        {make_date_time(2023, 1, 31, 8, 0, 0), date_part::month, 1, make_date_time(2023, 2, 28, 8, 0, 0)},
        {make_date_time(2024, 3, 31, 8, 0, 0), date_part::month, -13, make_date_time(2023, 2, 28, 8, 0, 0)},
        {make_date_time(2024, 2, 29, 8, 0, 0), date_part::year, 1, make_date_time(2025, 2, 28, 8, 0, 0)},
        {make_date_time(2024, 11, 15, 8, 0, 0), date_part::quarter, 1, make_date_time(2025, 2, 15, 8, 0, 0)},
    };
    for (const Case& c : cases) {
        const auto got = add_to_date_time(c.value, c.part, c.amount);
        ASSERT_TRUE(got.has_value()) << c.part << " " << c.amount;
        EXPECT_EQ(*got, c.expected) << c.part << " " << c.amount;
    }
    EXPECT_FALSE(add_to_date_time(base, 99, 1).has_value());
    EXPECT_FALSE(add_to_date_time(INT64_MAX - 10, date_part::minute, 1).has_value());
    EXPECT_FALSE(add_to_date_time(base, date_part::day, INT64_MAX / 1000).has_value());
    EXPECT_FALSE(add_to_date_time(base, date_part::year, INT64_MAX / 4).has_value());
}

class FixedClock final : public Clock {
  public:
    std::int64_t now_local_ms() override { return now; }
    std::int64_t now = 0;
};

TEST(DateTime, CommandsByNumber) {
    FixedClock clock;
    clock.now = make_date_time(2024, 5, 1, 23, 50, 10, 250);
    auto call = [&](std::uint32_t command, std::vector<ArgRecord> args) {
        return call_date_time_command(clock, command, args);
    };
    const std::uint64_t now = *call(command::now, {});
    EXPECT_EQ(static_cast<std::int64_t>(now), clock.now);
    const ArgRecord when = date_time_arg(static_cast<std::int64_t>(now));
    EXPECT_EQ(call(command::hour_of, {when}), 23u);
    EXPECT_EQ(call(command::minute_of, {when}), 50u);
    EXPECT_EQ(call(command::second_of, {when}), 10u);
    EXPECT_EQ(call(command::date_time_convert, {when}), now);
    const auto later = call(command::add_to_date_time, {when, int_arg(7), int_arg(15)});
    EXPECT_EQ(static_cast<std::int64_t>(*later), make_date_time(2024, 5, 2, 0, 5, 10, 250));
    const ArgRecord before_1970 = date_time_arg(make_date_time(1969, 12, 31, 23, 55, 0));
    EXPECT_EQ(call(command::hour_of, {before_1970}), 23u);
    const auto negative = call(command::add_to_date_time, {before_1970, int_arg(7), int_arg(-60 * 24)});
    EXPECT_EQ(static_cast<std::int64_t>(*negative), make_date_time(1969, 12, 30, 23, 55, 0));

    // Malformed calls answer nothing useful but never crash; an unknown part leaves the value.
    EXPECT_EQ(call(command::hour_of, {int_arg(5)}), 0u);
    EXPECT_EQ(call(command::second_of, {}), 0u);
    EXPECT_EQ(call(command::add_to_date_time, {when, int_arg(99), int_arg(1)}), now);
    EXPECT_EQ(call(command::add_to_date_time, {when, int_arg(7)}), now);
    EXPECT_EQ(call(command::add_to_date_time, {text_arg("x"), int_arg(7), int_arg(1)}), 0u);
    EXPECT_FALSE(call(command::left_part, {}).has_value());
}

}  // namespace
}  // namespace tockly::host
