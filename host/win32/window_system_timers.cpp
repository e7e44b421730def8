// The program's timers: kept by SystemTimers on the hidden window, their ticks handed to the core.
#include "host/core/runtime.h"
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

void Win32WindowSystem::start_timer(TimerKey key, std::uint32_t period_ms, bool on_second_boundary) {
    if (!ended_) timers_->start(key, period_ms, on_second_boundary);
}

void Win32WindowSystem::stop_timer(TimerKey key) {
    timers_->stop(key);
}

void Win32WindowSystem::timer_message(UINT_PTR id) {
    const std::optional<TimerKey> key = timers_->fell(id);
    if (key && runtime_ != nullptr) runtime_->timer_fired(*key);
}

}  // namespace tockly::host::win32
