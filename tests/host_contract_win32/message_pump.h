// Letting real time pass on the thread that owns the windows: messages (timers, input, deferred
// work) are dispatched as the system delivers them.
#pragma once

#include <cstdint>

namespace tockly::contract {

// Dispatches messages until `ms` milliseconds of real time have passed.
void pump_messages_for(std::int64_t ms);

// Dispatches what is queued now and what that brings in turn, without waiting for timers.
void drain_messages();

}  // namespace tockly::contract
