// Which wall-clock seconds a clock's tick stands for. A tick should fall once in every second,
// but a busy thread or machine may deliver it late, after one or more boundaries have passed;
// the seconds it jumped over are then still handled, in order, each once, so that an entry due in
// one of them still fires. A gap longer than a minute is not caught up: the computer slept or the
// clock was set, and the seconds in between never happened for the user.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

#include "host/core/date_time.h"

namespace tockly::host {

// A timer of exactly one second is a clock's: it falls on every wall-clock second boundary.
inline constexpr std::uint32_t kSecondTimerPeriod = 1000;
// No second handled yet.
inline constexpr std::int64_t kNoSecond = std::numeric_limits<std::int64_t>::min();
// The longest gap (in seconds since the last one handled) that is still caught up.
inline constexpr std::int64_t kCatchUpSeconds = 60;

// The seconds to handle, `first` to `last` inclusive; empty when first > last.
struct SecondRange {
    std::int64_t first = 0;
    std::int64_t last = -1;
    bool empty() const { return first > last; }
    std::int64_t count() const { return empty() ? 0 : last - first + 1; }
};

// The seconds a tick handles when the last second handled is `last_handled` and the clock now
// reads second `now`. A clock set back by up to a minute waits until it passes the last second
// handled again (none is handled twice); set back further, it starts afresh from now.
SecondRange seconds_to_handle(std::int64_t last_handled, std::int64_t now);

// The whole second a local time in milliseconds falls in (floor, also before 1970).
std::int64_t second_of_ms(std::int64_t ms);

// The clock the handlers read: the real one, or, while a tick stands for a second already past,
// the start of that second.
class TickClock final : public Clock {
  public:
    explicit TickClock(Clock& real) : real_(real) {}
    std::int64_t now_local_ms() override { return pinned_ ? *pinned_ : real_.now_local_ms(); }
    Clock& real() { return real_; }

    // Pins the clock to `ms` for the life of the returned guard (nested pins restore in turn).
    class Pin {
      public:
        Pin(TickClock& clock, std::optional<std::int64_t> ms) : clock_(clock), previous_(clock.pinned_) {
            clock_.pinned_ = ms;
        }
        ~Pin() { clock_.pinned_ = previous_; }
        Pin(const Pin&) = delete;
        Pin& operator=(const Pin&) = delete;

      private:
        TickClock& clock_;
        std::optional<std::int64_t> previous_;
    };

  private:
    Clock& real_;
    std::optional<std::int64_t> pinned_;
};

}  // namespace tockly::host
