// The one-second tick under late timer messages: which seconds a tick stands for, and days of
// Tockly on the headless host with its timer jittered, against a free-running timer.
#include "host/core/second_ticks.h"

#include <gtest/gtest.h>

#include "programs/tockly-bench/jitter_sim.h"

namespace tockly {
namespace {

using host::kNoSecond;
using host::seconds_to_handle;

TEST(SecondTicks, SecondsATickStandsFor) {
    struct Case {
        const char* what;
        std::int64_t last, now, first, through;  // first > through: none
    };
    const Case cases[] = {
        {"the first tick", kNoSecond, 500, 500, 500},
        {"on time", 499, 500, 500, 500},
        {"the same second again (a timer that fell early)", 500, 500, 1, 0},
        {"two seconds late: the one jumped over first", 498, 500, 499, 500},
        {"a whole minute late: still caught up", 440, 500, 441, 500},
        {"more than a minute (sleep, the clock set): not caught up", 439, 500, 500, 500},
        {"the clock set back a little: nothing handled twice", 500, 470, 1, 0},
        {"the clock set back by more than a minute: afresh", 500, 300, 300, 300},
        {"before 1970", -3, -1, -2, -1},
    };
    for (const Case& c : cases) {
        const host::SecondRange r = seconds_to_handle(c.last, c.now);
        if (c.first > c.through) {
            EXPECT_TRUE(r.empty()) << c.what;
        } else {
            EXPECT_EQ(r.first, c.first) << c.what;
            EXPECT_EQ(r.last, c.through) << c.what;
        }
    }
    EXPECT_EQ(host::second_of_ms(-1), -1);
    EXPECT_EQ(host::second_of_ms(-1000), -1);
    EXPECT_EQ(host::second_of_ms(1999), 1);
}

// Six hours with every timer message 0-900 ms late and one in 300 one to five seconds late, saves
// on the way: every entry fires exactly once, every second is handled exactly once, and text
// memory balances. The same hours with a free-running timer show the jitter is real.
TEST(SecondTicks, LateTimerMessagesMissNothing) {
    bench::JitterSettings settings;
    settings.hours = 6;
    settings.rows = 60;
    settings.seed = 7;
    settings.long_late_every = 300;
    settings.save_every_hours = 1;
    const bench::JitterResult tick = bench::run_jitter(settings);
    EXPECT_GT(tick.late_ticks, 30);
    EXPECT_EQ(tick.skipped_seconds, 0);
    EXPECT_EQ(tick.doubled_seconds, 0);
    EXPECT_EQ(tick.missed_entries, 0);
    EXPECT_EQ(tick.doubled_entries, 0);
    EXPECT_EQ(tick.saves, 12);
    EXPECT_EQ(tick.rows_at_end, 60);
    EXPECT_EQ(tick.live_blocks_at_end, 0);
    EXPECT_EQ(tick.bad_releases, 0);

    settings.free_running = true;
    const bench::JitterResult plain = bench::run_jitter(settings);
    EXPECT_GT(plain.skipped_seconds, 0);
    EXPECT_GT(plain.doubled_seconds, 0);
    EXPECT_EQ(plain.live_blocks_at_end, 0);
}

}  // namespace
}  // namespace tockly
