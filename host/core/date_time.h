// The host's date-time value: a signed 64-bit count of milliseconds since 1970-01-01 00:00:00
// local time. It carries no time zone: "now" is read from the local wall clock, and arithmetic is
// plain calendar arithmetic on the proleptic Gregorian calendar. Times before 1970 are negative
// and split correctly (floor division).
#pragma once

#include <cstdint>
#include <optional>

#include "host/core/arg_access.h"

namespace tockly::host {

inline constexpr std::int64_t kMsPerSecond = 1000;
inline constexpr std::int64_t kMsPerMinute = 60 * kMsPerSecond;
inline constexpr std::int64_t kMsPerHour = 60 * kMsPerMinute;
inline constexpr std::int64_t kMsPerDay = 24 * kMsPerHour;

// Where "now" comes from: the headless host's virtual clock or the system's local time.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::int64_t now_local_ms() = 0;
};

struct CivilDate {
    std::int64_t year = 1970;
    int month = 1;  // 1-12
    int day = 1;    // 1-31
};

// Days since 1970-01-01 of a date, and back.
std::int64_t days_from_civil(std::int64_t year, int month, int day);
CivilDate civil_from_days(std::int64_t days);
bool is_leap_year(std::int64_t year);
int days_in_month(std::int64_t year, int month);

struct DateTimeParts {
    CivilDate date;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

DateTimeParts split_date_time(std::int64_t value);
// Out-of-range fields are not normalised: give valid ones.
std::int64_t make_date_time(std::int64_t year, int month, int day, int hour = 0, int minute = 0,
                            int second = 0, int millisecond = 0);

int hour_of(std::int64_t value);
int minute_of(std::int64_t value);
int second_of(std::int64_t value);

// The parts that add_to_date_time understands, by the numbers its callers pass.
namespace date_part {
inline constexpr std::uint32_t year = 1;
inline constexpr std::uint32_t quarter = 2;
inline constexpr std::uint32_t month = 3;
inline constexpr std::uint32_t week = 4;
inline constexpr std::uint32_t day = 5;
inline constexpr std::uint32_t hour = 6;
inline constexpr std::uint32_t minute = 7;
inline constexpr std::uint32_t second = 8;
}  // namespace date_part

// `amount` (negative allowed) of `part` added to `value`. Years, quarters and months keep the
// time of day and the day of the month, the day cut to the last day of a shorter month (Jan 31
// plus one month is Feb 28 or 29). Nothing when the part is unknown or the result would not fit.
std::optional<std::int64_t> add_to_date_time(std::int64_t value, std::uint32_t part, std::int64_t amount);

// The date-time commands: hour, minute, second, add, conversion and now. Nothing when `command`
// is not one of them; a malformed call gives 0 (as a date-time) or 0, never a crash.
std::optional<std::uint64_t> call_date_time_command(Clock& clock, std::uint32_t command, Args args);

}  // namespace tockly::host
