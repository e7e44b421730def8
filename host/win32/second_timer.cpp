#include "host/win32/second_timer.h"

#include "host/core/second_ticks.h"

namespace tockly::host::win32 {

std::uint32_t delay_to_next_second(std::int64_t now_ms, std::int64_t lead_ms) {
    // From the second's floor: the clock may read before 1970 (a shifted clock).
    const std::int64_t into_second = now_ms - second_of_ms(now_ms) * 1000;
    std::int64_t delay = 1000 - into_second + lead_ms;
    // Already past this second's boundary by less than the lead: that tick is still to come.
    if (into_second < lead_ms) delay = lead_ms - into_second;
    return static_cast<std::uint32_t>(delay < 1 ? 1 : delay);
}

}  // namespace tockly::host::win32
