#include "host/win32/clock_setting.h"

#include <limits>

#include "host/core/date_time.h"

namespace tockly::host::win32 {

namespace {

// Exactly `digits` decimal digits at `pos`.
std::optional<int> digits_at(std::string_view text, std::size_t pos, std::size_t digits) {
    if (pos > text.size() || text.size() - pos < digits) return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::optional<std::int64_t> parse_clock_start(std::string_view text) {
    // YYYY-MM-DD HH:MM:SS
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
        text[16] != ':')
        return std::nullopt;
    const auto year = digits_at(text, 0, 4);
    const auto month = digits_at(text, 5, 2);
    const auto day = digits_at(text, 8, 2);
    const auto hour = digits_at(text, 11, 2);
    const auto minute = digits_at(text, 14, 2);
    const auto second = digits_at(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    if (*year < 1601 || *month < 1 || *month > 12 || *day < 1 || *day > days_in_month(*year, *month) ||
        *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;
    return make_date_time(*year, *month, *day, *hour, *minute, *second);
}

std::optional<std::int64_t> parse_clock_offset(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18) return std::nullopt;  // 18 digits always fit
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

ClockShift clock_shift(std::optional<std::string_view> start, std::optional<std::string_view> offset,
                       std::int64_t system_now_ms) {
    ClockShift out;
    if (start) {
        if (auto at = parse_clock_start(*start)) {
            out.shift_ms = *at - system_now_ms;
        } else {
            out.error =
                std::string(kClockStartVariable) + " is not \"YYYY-MM-DD HH:MM:SS\": " + std::string(*start);
        }
        return out;
    }
    if (offset) {
        if (auto ms = parse_clock_offset(*offset)) {
            out.shift_ms = *ms;
        } else {
            out.error = std::string(kClockOffsetVariable) +
                        " is not a whole number of milliseconds: " + std::string(*offset);
        }
    }
    return out;
}

}  // namespace tockly::host::win32
