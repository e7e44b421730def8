// Running this thread's message loop in a test: either letting real time pass, with timers
// delivered as they fall due, until something has happened, or handling what is queued now with the clock
// standing still, so that a user's action is followed by the events it causes and by no tick.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace tockly::contract {

// Dispatches every message, timers included, until `done()` answers true (checked after each
// message and each wait) or `max_ms` have passed. Answers whether it became true.
bool pump_messages_until(const std::function<bool()>& done, std::int64_t max_ms);

// Dispatches what is queued now and what that brings in turn. Timer messages are left queued.
void drain_messages();

// Dispatches everything but timer messages, waiting for more, until a `message` has been
// dispatched or `max_ms` have passed; then drains. Answers whether `message` came.
bool dispatch_until(UINT message, std::int64_t max_ms);

}  // namespace tockly::contract
