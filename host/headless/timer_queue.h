// The headless host's timers on the virtual clock: which falls due next, and when each falls again.
// A second-boundary timer falls exactly on every whole second; another at its period from when
// it was started. Moving the clock by a jump does not make anything catch up.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "host/core/window_system.h"

namespace tockly::host::headless {

class TimerQueue {
  public:
    void start(TimerKey key, std::uint32_t period_ms, bool on_second_boundary, std::int64_t now);
    void stop(TimerKey key);
    void stop_all() { timers_.clear(); }

    // The timer due first at or before `until` (the earliest started first on a tie); it is
    // re-armed for its next time. Nothing when none is due by then.
    struct Due {
        TimerKey key;
        std::int64_t at = 0;
    };
    std::optional<Due> pop_due(std::int64_t until);

    // The wall clock jumped from `from` to `to`: second-boundary timers fall at the first
    // boundary after `to`; period timers keep the time they had left.
    void clock_jumped(std::int64_t from, std::int64_t to);

    bool empty() const { return timers_.empty(); }

  private:
    struct Timer {
        TimerKey key;
        std::uint32_t period = 0;
        bool aligned = false;
        std::int64_t due = 0;
        std::uint64_t order = 0;
    };
    static std::int64_t next_boundary(std::int64_t after);
    std::vector<Timer> timers_;
    std::uint64_t next_order_ = 0;
};

}  // namespace tockly::host::headless
