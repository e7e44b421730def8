// The headless host's timers on the virtual clock: which falls due next, and when each falls again.
// A second-boundary timer falls exactly on every whole second; another at its period from when
// it was started. Moving the clock by a jump does not make anything catch up.
//
// A timer's message may be set to arrive late, as on a busy machine: a second-boundary timer is
// then re-armed from the time its message arrived (the next boundary after it), and the messages
// of a period timer that fell while its last one was still waiting come as one.
#pragma once

#include <cstdint>
#include <functional>
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

    // How many milliseconds after it falls each timer's message arrives (never negative); none
    // set: at once.
    void set_lateness(std::function<std::int64_t()> lateness) { lateness_ = std::move(lateness); }

  private:
    struct Timer {
        TimerKey key;
        std::uint32_t period = 0;
        bool aligned = false;
        std::int64_t falls = 0;  // when the timer falls
        std::int64_t due = 0;    // when its message arrives
        std::uint64_t order = 0;
    };
    static std::int64_t next_boundary(std::int64_t after);
    void arm(Timer& t, std::int64_t falls);
    std::function<std::int64_t()> lateness_;
    std::vector<Timer> timers_;
    std::uint64_t next_order_ = 0;
};

}  // namespace tockly::host::headless
