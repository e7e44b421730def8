#include "host/win32/system_timers.h"

#include <algorithm>

#include "host/win32/second_timer.h"

namespace tockly::host::win32 {

void SystemTimers::arm(UINT_PTR id, const Timer& timer) {
    const UINT delay = timer.on_second_boundary ? delay_to_next_second(clock_.now_local_ms())
                                                : std::max<UINT>(timer.period_ms, USER_TIMER_MINIMUM);
    SetTimer(owner_, id, delay, nullptr);
}

void SystemTimers::start(TimerKey key, std::uint32_t period_ms, bool on_second_boundary) {
    UINT_PTR id = 0;
    for (const auto& [existing, timer] : timers_) {
        if (timer.key == key) id = existing;
    }
    if (id == 0) id = next_id_++;
    Timer& timer = timers_[id];
    timer = Timer{key, period_ms, on_second_boundary};
    arm(id, timer);
}

void SystemTimers::stop(TimerKey key) {
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.key == key) {
            KillTimer(owner_, it->first);
            timers_.erase(it);
            return;
        }
    }
}

void SystemTimers::stop_all() {
    for (const auto& [id, timer] : timers_) KillTimer(owner_, id);
    timers_.clear();
}

std::optional<TimerKey> SystemTimers::fell(UINT_PTR id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) {
        KillTimer(owner_, id);
        return std::nullopt;
    }
    if (it->second.on_second_boundary) arm(id, it->second);
    return it->second.key;
}

int SystemTimers::rearm_clock_timers() {
    int rearmed = 0;
    for (const auto& [id, timer] : timers_) {
        if (!timer.on_second_boundary) continue;
        arm(id, timer);
        ++rearmed;
    }
    return rearmed;
}

}  // namespace tockly::host::win32
