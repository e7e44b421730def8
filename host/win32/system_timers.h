// The program's timers as system timers on one window: each unit's timer is one system timer,
// and a clock's timer (one falling on every second boundary) is a one-shot armed again for the
// next boundary each time it falls, so that its phase never drifts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>

#include "host/core/date_time.h"
#include "host/core/window_system.h"

namespace tockly::host::win32 {

class SystemTimers {
  public:
    // Timer messages come to `owner`; boundaries are those of `clock`.
    SystemTimers(HWND owner, Clock& clock) : owner_(owner), clock_(clock) {}
    ~SystemTimers() { stop_all(); }
    SystemTimers(const SystemTimers&) = delete;
    SystemTimers& operator=(const SystemTimers&) = delete;

    // Starts (or restarts with a new period) the timer of `key`.
    void start(TimerKey key, std::uint32_t period_ms, bool on_second_boundary);
    void stop(TimerKey key);
    void stop_all();
    // A WM_TIMER for system timer `id`: whose timer fell, or nothing for one that is not ours any
    // more (it is killed). A clock's timer is armed for its next boundary before this returns, so
    // that its tick may stop or restart it.
    std::optional<TimerKey> fell(UINT_PTR id);
    // Arms every clock's timer afresh for the next boundary of the time as it reads now (after
    // the clock was set or the computer woke up); answers how many.
    int rearm_clock_timers();

  private:
    struct Timer {
        TimerKey key;
        std::uint32_t period_ms = 0;
        bool on_second_boundary = false;
    };
    void arm(UINT_PTR id, const Timer& timer);

    HWND owner_;
    Clock& clock_;
    std::map<UINT_PTR, Timer> timers_;
    UINT_PTR next_id_ = 1;
};

}  // namespace tockly::host::win32
