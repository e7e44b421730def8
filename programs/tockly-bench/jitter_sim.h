// Days of Tockly on the headless host with its timer's messages arriving late, as on a busy
// machine: does every entry still fire exactly once a day? Counts what the tick handler saw
// (seconds never handled, seconds handled more than once) and what the table did (entries that
// did not fire on a day, or fired twice), with text memory and resident memory on the way.
#pragma once

#include <cstdint>
#include <string>

namespace tockly::bench {

struct JitterSettings {
    int days = 30;
    // When set, the run lasts this many hours (of one day) instead, every row due within them.
    int hours = 0;
    int rows = 300;
    std::uint64_t seed = 1;
    // Every timer message comes 0..`late_ms` late; one in `long_late_every` comes 1-5 s late.
    std::int64_t late_ms = 900;
    std::int64_t long_late_every = 5000;
    // An entry is added and deleted again (two saves) every so many hours.
    int save_every_hours = 3;
    // The clock's timer as a plain 1000 ms period, each tick handled as it comes (the design
    // without the one-second tick's rules), instead of Tockly's second-boundary tick.
    bool free_running = false;
};

struct JitterResult {
    std::int64_t seconds = 0;          // seconds of simulated time
    std::int64_t ticks = 0;            // tick handler runs
    std::int64_t skipped_seconds = 0;  // never handled
    std::int64_t doubled_seconds = 0;  // handled more than once (each extra handling counts)
    std::int64_t missed_entries = 0;   // entry-days without a firing
    std::int64_t doubled_entries = 0;  // extra firings on a day
    std::int64_t late_ticks = 0;       // messages that came a second or more late
    std::int64_t saves = 0;
    std::int64_t rows_at_end = 0;
    std::int64_t live_blocks_at_end = 0;  // after the program's clean-up: 0 when balanced
    std::int64_t bad_releases = 0;
    std::uint64_t resident_after_day_one = 0;
    std::uint64_t resident_at_end = 0;
    double seconds_taken = 0;  // wall-clock time of the run
};

JitterResult run_jitter(const JitterSettings& settings);

}  // namespace tockly::bench
