#include "host/headless/timer_queue.h"

#include <algorithm>

#include "host/core/second_ticks.h"

namespace tockly::host::headless {

std::int64_t TimerQueue::next_boundary(std::int64_t after) {
    return (second_of_ms(after) + 1) * 1000;
}

void TimerQueue::start(TimerKey key, std::uint32_t period_ms, bool on_second_boundary, std::int64_t now) {
    stop(key);
    if (period_ms == 0) return;
    Timer t;
    t.key = key;
    t.period = period_ms;
    t.aligned = on_second_boundary;
    arm(t, on_second_boundary ? next_boundary(now) : now + period_ms);
    t.order = next_order_++;
    timers_.push_back(t);
}

void TimerQueue::arm(Timer& t, std::int64_t falls) {
    t.falls = falls;
    const std::int64_t late = lateness_ ? lateness_() : 0;
    t.due = falls + (late > 0 ? late : 0);
}

void TimerQueue::stop(TimerKey key) {
    std::erase_if(timers_, [&](const Timer& t) { return t.key == key; });
}

std::optional<TimerQueue::Due> TimerQueue::pop_due(std::int64_t until) {
    auto best = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->due > until) continue;
        if (best == timers_.end() || it->due < best->due || (it->due == best->due && it->order < best->order))
            best = it;
    }
    if (best == timers_.end()) return std::nullopt;
    Due due{best->key, best->due};
    if (best->aligned) {
        arm(*best, next_boundary(best->due));
    } else {
        std::int64_t falls = best->falls + best->period;
        while (falls <= best->due) falls += best->period;
        arm(*best, falls);
    }
    best->order = next_order_++;
    return due;
}

void TimerQueue::clock_jumped(std::int64_t from, std::int64_t to) {
    for (auto& t : timers_) {
        if (t.aligned) {
            arm(t, next_boundary(to));
        } else {
            t.falls += to - from;
            t.due += to - from;
        }
    }
}

}  // namespace tockly::host::headless
