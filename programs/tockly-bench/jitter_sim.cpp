#include "programs/tockly-bench/jitter_sim.h"

#include <time.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "app/handler_table.h"
#include "host/core/date_time.h"
#include "host/core/second_ticks.h"
#include "host/host_constants.h"
#include "programs/headless-tockly/headless_tockly.h"

namespace tockly::bench {

namespace {

using harness::HeadlessTockly;
using harness::program_row;
using harness::reminder_row;
using harness::resident_bytes;

// 2026-03-02 00:00:00.500 local: a free-running timer started then falls half-way into seconds.
constexpr std::int64_t kStart = 1772409600500;
constexpr std::int64_t kDayMs = host::kMsPerDay;
constexpr char kProgramMark[] = "#p";
constexpr char kReminderMark[] = "#r";

// What the tick handler saw: one count per second of the run.
struct TickLog {
    std::int64_t first_second = 0;
    std::vector<std::uint8_t> handled;
    std::int64_t ticks = 0;
    void saw(std::int64_t second) {
        ++ticks;
        const std::int64_t at = second - first_second;
        if (at < 0 || at >= static_cast<std::int64_t>(handled.size())) return;
        if (handled[at] < 255) ++handled[at];
    }
};

// Runs Tockly's handlers, telling the log which second each tick stands for.
class ObservedTick final : public host::HandlerHook {
  public:
    ObservedTick(host::HandlerFn tick, TickLog& log) : tick_(tick), log_(log) {}
    void run(const host::HandlerEntry& entry, host::Host& host, const std::uint32_t* args) override {
        if (entry.fn == tick_) {
            const auto now = static_cast<std::int64_t>(host.call_core(host::command::now, {}));
            log_.saw(host::second_of_ms(now));
        }
        entry.fn(host, args);
    }

  private:
    host::HandlerFn tick_;
    TickLog& log_;
};

// The number after `mark` in `text`, or -1.
long marked_number(const std::string& text, const char* mark) {
    const std::size_t at = text.rfind(mark);
    if (at == std::string::npos) return -1;
    try {
        return std::stol(text.substr(at + 2));
    } catch (...) {
        return -1;
    }
}

// Seconds on a monotonic clock (<chrono> does not build with the GBK execution character set).
double monotonic_seconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

JitterResult run_jitter(const JitterSettings& s) {
    const double began = monotonic_seconds();
    JitterResult result;

    // The table: each row at its own second of the day (not in the first minute, which the run
    // starts in), about one in thirty a reminder, the others programs.
    std::mt19937_64 random(s.seed);
    const bool part_of_day = s.hours > 0 && s.hours < 24;
    const int days = part_of_day ? 1 : s.days;
    const std::int64_t run_ms = part_of_day ? s.hours * host::kMsPerHour : days * kDayMs;
    // Rows fall within the run, not in its first or last minute.
    std::vector<int> seconds_of_day(static_cast<std::size_t>(run_ms / 1000 - 120));
    for (int i = 0; i < static_cast<int>(seconds_of_day.size()); ++i) seconds_of_day[i] = 60 + i;
    // Each row at a second of its own.
    const int row_count = std::min<int>(s.rows, static_cast<int>(seconds_of_day.size()));
    std::shuffle(seconds_of_day.begin(), seconds_of_day.end(), random);
    std::vector<std::string> rows;
    for (int i = 0; i < row_count; ++i) {
        const std::string mark = (i % 30 == 29 ? kReminderMark : kProgramMark) + std::to_string(i);
        rows.push_back(i % 30 == 29 ? reminder_row(seconds_of_day[i], mark)
                                    : program_row(seconds_of_day[i], mark));
    }

    TickLog log;
    log.first_second = host::second_of_ms(kStart);
    log.handled.assign(static_cast<std::size_t>(run_ms / 1000) + 1, 0);
    host::HandlerFn tick = nullptr;
    for (const auto& h : app::handler_table()) {
        if (std::string_view(h.name) == "on_tick") tick = h.fn;
    }
    ObservedTick observed(tick, log);

    std::vector<std::uint16_t> fires(static_cast<std::size_t>(days) * row_count, 0);
    HeadlessTockly tockly(kStart, rows);
    tockly.runtime().set_handler_hook(&observed);
    auto& windows = tockly.windows();
    windows.keep_effects(false);
    windows.set_second_timers_free_running(s.free_running);
    if (s.free_running) tockly.runtime().set_second_ticks(host::Runtime::SecondTicks::every_arrival);
    std::uniform_int_distribution<std::int64_t> jitter(0, s.late_ms);
    std::uniform_int_distribution<std::int64_t> long_late(1000, 5000);
    std::uniform_int_distribution<std::int64_t> one_in(1, s.long_late_every > 0 ? s.long_late_every : 1);
    windows.set_timer_lateness([&]() -> std::int64_t {
        if (s.long_late_every > 0 && one_in(random) == 1) {
            ++result.late_ticks;
            return long_late(random);
        }
        return jitter(random);
    });
    windows.on_effect([&](const host::headless::Effect& e) {
        const std::string kind = e.fields.value("effect", "");
        long row = -1;
        if (kind == "run") {
            row = marked_number(e.fields.value("command", ""), kProgramMark);
        } else if (kind == "open" && e.fields.contains("labels")) {
            for (const auto& label : e.fields["labels"])
                row = std::max(row, marked_number(label.value("text", ""), kReminderMark));
        }
        if (row < 0 || row >= row_count) return;
        const std::int64_t day = (e.at - (kStart - 500)) / kDayMs;
        if (day >= 0 && day < days) ++fires[static_cast<std::size_t>(day) * row_count + row];
    });

    tockly.start();
    const std::int64_t end = kStart + run_ms;
    const int save_period = s.save_every_hours * 60;
    for (std::int64_t minute = 1; tockly.clock().now() < end; ++minute) {
        windows.advance(std::min<std::int64_t>(host::kMsPerMinute, end - tockly.clock().now()));
        if (minute % 60 == 30) tockly.close_popups();
        if (save_period > 0 && minute % save_period == 7) {
            // An entry twelve hours ahead, added (a save) and deleted a minute later (a save).
            const auto parts = host::split_date_time(tockly.clock().now());
            tockly.choose(app::组合框1, (parts.hour + 12) % 24);
            tockly.choose(app::组合框2, parts.minute);
            tockly.choose(app::组合框3, 30);
            tockly.click(app::按钮1);
            ++result.saves;
        } else if (save_period > 0 && minute % save_period == 8) {
            tockly.select(app::列表框1, 0);
            tockly.click(app::按钮2);
            ++result.saves;
        }
        if (minute == 24 * 60) result.resident_after_day_one = resident_bytes();
    }
    // Ticks that are still on their way for the last seconds.
    windows.advance(10 * host::kMsPerSecond);
    tockly.close_popups();

    result.seconds = run_ms / 1000;
    result.ticks = log.ticks;
    for (std::int64_t i = 1; i <= result.seconds; ++i) {
        const std::uint8_t n = log.handled[static_cast<std::size_t>(i)];
        if (n == 0) ++result.skipped_seconds;
        if (n > 1) result.doubled_seconds += n - 1;
    }
    for (std::uint16_t n : fires) {
        if (n == 0) ++result.missed_entries;
        if (n > 1) result.doubled_entries += n - 1;
    }
    result.rows_at_end = static_cast<std::int64_t>(tockly.table_rows());
    tockly.runtime().release_globals();
    result.live_blocks_at_end = static_cast<std::int64_t>(tockly.memory().live_blocks());
    result.bad_releases = static_cast<std::int64_t>(tockly.memory().problems().size());
    result.resident_at_end = resident_bytes();
    result.seconds_taken = monotonic_seconds() - began;
    return result;
}

}  // namespace tockly::bench
