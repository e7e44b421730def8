#include "host/core/date_time.h"

#include <algorithm>

namespace tockly::host {

namespace {
std::int64_t floor_div(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}
std::int64_t floor_mod(std::int64_t a, std::int64_t b) {
    return a - floor_div(a, b) * b;
}

// Whole days since 1970-01-01 fit comfortably: |value| / kMsPerDay is below 2^37.
constexpr std::int64_t kMaxDays = INT64_MAX / kMsPerDay - 1;
}  // namespace

// Counting in 400-year eras that start on March 1st, so the leap day ends each era's year.
std::int64_t days_from_civil(std::int64_t year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = floor_div(y, 400);
    const std::int64_t year_of_era = y - era * 400;                           // [0, 399]
    const std::int64_t month_from_march = month > 2 ? month - 3 : month + 9;  // [0, 11]
    const std::int64_t day_of_year = (153 * month_from_march + 2) / 5 + day - 1;
    const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

CivilDate civil_from_days(std::int64_t days) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = floor_div(z, 146097);
    const std::int64_t day_of_era = z - era * 146097;  // [0, 146096]
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t mp = (5 * day_of_year + 2) / 153;
    CivilDate out;
    out.day = static_cast<int>(day_of_year - (153 * mp + 2) / 5 + 1);
    out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    out.year = year_of_era + era * 400 + (out.month <= 2 ? 1 : 0);
    return out;
}

bool is_leap_year(std::int64_t year) {
    return floor_mod(year, 4) == 0 && (floor_mod(year, 100) != 0 || floor_mod(year, 400) == 0);
}

int days_in_month(std::int64_t year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && is_leap_year(year)) return 29;
    return kDays[month - 1];
}

DateTimeParts split_date_time(std::int64_t value) {
    DateTimeParts out;
    const std::int64_t days = floor_div(value, kMsPerDay);
    std::int64_t ms = value - days * kMsPerDay;
    out.date = civil_from_days(days);
    out.hour = static_cast<int>(ms / kMsPerHour);
    ms %= kMsPerHour;
    out.minute = static_cast<int>(ms / kMsPerMinute);
    ms %= kMsPerMinute;
    out.second = static_cast<int>(ms / kMsPerSecond);
    out.millisecond = static_cast<int>(ms % kMsPerSecond);
    return out;
}

std::int64_t make_date_time(std::int64_t year, int month, int day, int hour, int minute, int second,
                            int millisecond) {
    return days_from_civil(year, month, day) * kMsPerDay + hour * kMsPerHour + minute * kMsPerMinute +
           second * kMsPerSecond + millisecond;
}

int hour_of(std::int64_t value) {
    return static_cast<int>(floor_mod(value, kMsPerDay) / kMsPerHour);
}
int minute_of(std::int64_t value) {
    return static_cast<int>(floor_mod(value, kMsPerHour) / kMsPerMinute);
}
int second_of(std::int64_t value) {
    return static_cast<int>(floor_mod(value, kMsPerMinute) / kMsPerSecond);
}

std::optional<std::int64_t> add_to_date_time(std::int64_t value, std::uint32_t part, std::int64_t amount) {
    std::int64_t unit = 0;
    switch (part) {
        case date_part::week:
            unit = 7 * kMsPerDay;
            break;
        case date_part::day:
            unit = kMsPerDay;
            break;
        case date_part::hour:
            unit = kMsPerHour;
            break;
        case date_part::minute:
            unit = kMsPerMinute;
            break;
        case date_part::second:
            unit = kMsPerSecond;
            break;
        case date_part::year:
        case date_part::quarter:
        case date_part::month: {
            const std::int64_t months_per = part == date_part::year ? 12 : part == date_part::quarter ? 3 : 1;
            std::int64_t months;
            if (__builtin_mul_overflow(amount, months_per, &months)) return std::nullopt;
            const std::int64_t days = floor_div(value, kMsPerDay);
            const std::int64_t time_of_day = value - days * kMsPerDay;
            const CivilDate date = civil_from_days(days);
            // Month arithmetic stays far from overflow only within the day range of the value.
            if (months > 12 * (kMaxDays / 365) || months < -12 * (kMaxDays / 365)) return std::nullopt;
            const std::int64_t month_index = date.year * 12 + (date.month - 1) + months;
            const std::int64_t year = floor_div(month_index, 12);
            const int month = static_cast<int>(floor_mod(month_index, 12)) + 1;
            const int day = std::min(date.day, days_in_month(year, month));
            const std::int64_t new_days = days_from_civil(year, month, day);
            if (new_days > kMaxDays || new_days < -kMaxDays) return std::nullopt;
            return new_days * kMsPerDay + time_of_day;
        }
        default:
            return std::nullopt;
    }
    std::int64_t delta;
    std::int64_t result;
    if (__builtin_mul_overflow(amount, unit, &delta) || __builtin_add_overflow(value, delta, &result)) {
        return std::nullopt;
    }
    return result;
}

std::optional<std::uint64_t> call_date_time_command(Clock& clock, std::uint32_t command, Args args) {
    // Read only by the commands that take a date-time: every other command passes this way.
    const auto has_date_time = [&] { return arg_is(args, 0, type_word::date_time); };
    const auto value = [&] { return arg_date_time(args, 0); };
    switch (command) {
        case command::hour_of:
            return has_date_time() ? hour_of(value()) : 0;
        case command::minute_of:
            return has_date_time() ? minute_of(value()) : 0;
        case command::second_of:
            return has_date_time() ? second_of(value()) : 0;
        case command::date_time_convert:
            return has_date_time() ? static_cast<std::uint64_t>(value()) : 0;
        case command::now:
            return static_cast<std::uint64_t>(clock.now_local_ms());
        case command::add_to_date_time: {
            if (!has_date_time() || !arg_is(args, 1, type_word::integer) ||
                !arg_is(args, 2, type_word::integer)) {
                return has_date_time() ? static_cast<std::uint64_t>(value()) : 0;
            }
            const auto part = static_cast<std::uint32_t>(arg_int(args, 1));
            const auto sum = add_to_date_time(value(), part, arg_int(args, 2));
            return static_cast<std::uint64_t>(sum.value_or(value()));
        }
        default:
            return std::nullopt;
    }
}

}  // namespace tockly::host
