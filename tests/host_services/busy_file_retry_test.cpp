#include "host/core/busy_file_retry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tockly::host {
namespace {

using O = ReplaceOutcome;

struct Case {
    const char* what;
    std::vector<O> tries;               // what each try answers, in order
    std::vector<std::uint32_t> pauses;  // the pauses expected between them
    O outcome;
};

TEST(BusyFileRetry, PausesGrowUntilATryIsNotBusyOrTheyAreUsedUp) {
    const Case cases[] = {
        {"stored at once", {O::stored}, {}, O::stored},
        {"a plain failure is not retried", {O::failed}, {}, O::failed},
        {"busy for a moment, then stored", {O::busy, O::busy, O::stored}, {50, 100}, O::stored},
        {"busy, then a failure ends it", {O::busy, O::failed}, {50}, O::failed},
        {"stored on the last try",
         {O::busy, O::busy, O::busy, O::busy, O::busy, O::stored},
         {50, 100, 200, 400, 800},
         O::stored},
        {"busy throughout: about 1.5 s, then busy is the answer",
         {O::busy, O::busy, O::busy, O::busy, O::busy, O::busy},
         {50, 100, 200, 400, 800},
         O::busy},
    };
    for (const Case& c : cases) {
        std::size_t tried = 0;
        std::vector<std::uint32_t> paused;
        const O outcome = ride_out_busy_file(
            [&] {
                // A try past the case's list would be a fault of the loop: answer busy to show it.
                return tried < c.tries.size() ? c.tries[tried++] : (++tried, O::busy);
            },
            [&](std::uint32_t ms) { paused.push_back(ms); });
        EXPECT_EQ(outcome, c.outcome) << c.what;
        EXPECT_EQ(tried, c.tries.size()) << c.what;
        EXPECT_EQ(paused, c.pauses) << c.what;
    }
}

}  // namespace
}  // namespace tockly::host
