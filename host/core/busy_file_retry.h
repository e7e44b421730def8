// A save that meets a file held open by another program for a moment is tried again after a
// growing pause, about 1.5 s in all, before it counts as failed: such holds (a virus scanner, the
// search indexer, a backup or sync client looking at a fresh file) are short, and telling the
// user of a failure that a retry would have cured only worries them.
#pragma once

#include <array>
#include <cstdint>

#include "host/core/file_system.h"

namespace tockly::host {

inline constexpr std::array<std::uint32_t, 5> kBusyFilePausesMs{50, 100, 200, 400, 800};

// Calls `attempt()` (giving a ReplaceOutcome) until it is not `busy`, with `pause(ms)` before each
// new try, at most once after each pause above. The outcome of the last try: `busy` when every try
// met a busy file, which the caller counts as a failure.
template <class Attempt, class Pause>
ReplaceOutcome ride_out_busy_file(Attempt&& attempt, Pause&& pause) {
    ReplaceOutcome outcome = attempt();
    for (std::uint32_t ms : kBusyFilePausesMs) {
        if (outcome != ReplaceOutcome::busy) break;
        pause(ms);
        outcome = attempt();
    }
    return outcome;
}

}  // namespace tockly::host
