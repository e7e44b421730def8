#include "host/core/second_ticks.h"

namespace tockly::host {

std::int64_t second_of_ms(std::int64_t ms) {
    return ms / kMsPerSecond - ((ms % kMsPerSecond != 0) && (ms < 0));
}

SecondRange seconds_to_handle(std::int64_t last_handled, std::int64_t now) {
    if (last_handled == kNoSecond) return {now, now};
    if (now > last_handled) {
        if (now - last_handled > kCatchUpSeconds) return {now, now};
        return {last_handled + 1, now};
    }
    // Same second (a timer that fell early) or a clock set back a little: handled already.
    if (last_handled - now <= kCatchUpSeconds) return {};
    return {now, now};
}

}  // namespace tockly::host
