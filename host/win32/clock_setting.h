// The documented way to run the Windows host at another time of day (for tests and
// demonstrations; off by default). Two environment variables, read once at start:
//
//   TOCKLY_CLOCK_START="YYYY-MM-DD HH:MM:SS"  the clock reads this moment at start and runs on
//   TOCKLY_CLOCK_OFFSET_MS=N                  the clock runs N milliseconds (may be negative)
//                                             ahead of the system's local time
//
// TOCKLY_CLOCK_START wins when both are set. A value that does not parse is an error (reported,
// and the clock is not shifted).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tockly::host::win32 {

inline constexpr char kClockStartVariable[] = "TOCKLY_CLOCK_START";
inline constexpr char kClockOffsetVariable[] = "TOCKLY_CLOCK_OFFSET_MS";

// "YYYY-MM-DD HH:MM:SS" as a host date-time; nothing when malformed or not a real date.
std::optional<std::int64_t> parse_clock_start(std::string_view text);
// A decimal integer with an optional sign; nothing when malformed or out of range.
std::optional<std::int64_t> parse_clock_offset(std::string_view text);

struct ClockShift {
    std::int64_t shift_ms = 0;
    std::string error;  // empty when the settings were understood (or absent)
};

// The shift to apply to a clock that reads `system_now_ms`, from the two variables' values
// (nothing when a variable is not set).
ClockShift clock_shift(std::optional<std::string_view> start, std::optional<std::string_view> offset,
                       std::int64_t system_now_ms);

}  // namespace tockly::host::win32
