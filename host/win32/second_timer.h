// When a clock's timer falls: just after each wall-clock second boundary, re-armed as a one-shot
// each time, so that its phase never drifts and no second is skipped.
#pragma once

#include <cstdint>

namespace tockly::host::win32 {

// How long a tick stays behind its boundary: system timers may fall a little early or late.
inline constexpr std::int64_t kBoundaryLeadMs = 20;

// Milliseconds from `now_ms` to the next boundary plus the lead; at least 1. A clock read just
// before the boundary (a timer that fell early) waits for that boundary, not the one after.
std::uint32_t delay_to_next_second(std::int64_t now_ms, std::int64_t lead_ms = kBoundaryLeadMs);

}  // namespace tockly::host::win32
