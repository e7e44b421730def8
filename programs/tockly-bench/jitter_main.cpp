// tockly-jitter: Tockly's one-second tick against a free-running 1000 ms timer, on the headless
// host with every timer message arriving late (0-900 ms, now and then 1-5 s), side by side.
//
//   tockly-jitter [--days N] [--rows N] [--seed N]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "programs/tockly-bench/jitter_sim.h"

int main(int argc, char** argv) {
    tockly::bench::JitterSettings settings;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const long value = std::strtol(argv[i + 1], nullptr, 10);
        if (a == "--days") {
            settings.days = static_cast<int>(value);
        } else if (a == "--rows") {
            settings.rows = static_cast<int>(value);
        } else if (a == "--seed") {
            settings.seed = static_cast<std::uint64_t>(value);
        } else {
            std::fprintf(stderr, "usage: tockly-jitter [--days N] [--rows N] [--seed N]\n");
            return 2;
        }
    }
    if (argc % 2 == 0) {
        std::fprintf(stderr, "usage: tockly-jitter [--days N] [--rows N] [--seed N]\n");
        return 2;
    }
    tockly::bench::JitterSettings free_running = settings;
    free_running.free_running = true;
    const auto tick = tockly::bench::run_jitter(settings);
    const auto plain = tockly::bench::run_jitter(free_running);

    std::printf("%d days, %d rows, seed %llu; timer messages 0-%lld ms late, 1 in %lld 1-5 s late\n\n",
                settings.days, settings.rows, static_cast<unsigned long long>(settings.seed),
                static_cast<long long>(settings.late_ms), static_cast<long long>(settings.long_late_every));
    std::printf("| %-32s | %14s | %18s |\n", "", "second tick", "free-running 1 s");
    std::printf("| %-32s | %14s | %18s |\n", "---", "---:", "---:");
    auto row = [](const char* what, long long a, long long b) {
        std::printf("| %-32s | %14lld | %18lld |\n", what, a, b);
    };
    row("tick handler runs", tick.ticks, plain.ticks);
    row("messages 1-5 s late", tick.late_ticks, plain.late_ticks);
    row("skipped seconds", tick.skipped_seconds, plain.skipped_seconds);
    row("doubled seconds", tick.doubled_seconds, plain.doubled_seconds);
    row("missed entries (entry-days)", tick.missed_entries, plain.missed_entries);
    row("entries fired twice", tick.doubled_entries, plain.doubled_entries);
    row("saves", tick.saves, plain.saves);
    row("rows at the end", tick.rows_at_end, plain.rows_at_end);
    row("live text blocks at the end", tick.live_blocks_at_end, plain.live_blocks_at_end);
    row("bad releases", tick.bad_releases, plain.bad_releases);
    row("resident KB after day 1", static_cast<long long>(tick.resident_after_day_one / 1024),
        static_cast<long long>(plain.resident_after_day_one / 1024));
    row("resident KB at the end", static_cast<long long>(tick.resident_at_end / 1024),
        static_cast<long long>(plain.resident_at_end / 1024));
    std::printf("| %-32s | %14.1f | %18.1f |\n", "run time (s)", tick.seconds_taken, plain.seconds_taken);
    const bool good = tick.skipped_seconds == 0 && tick.doubled_seconds == 0 && tick.missed_entries == 0 &&
                      tick.doubled_entries == 0 && tick.live_blocks_at_end == 0 && tick.bad_releases == 0;
    return good ? 0 : 1;
}
