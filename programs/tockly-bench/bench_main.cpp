// tockly-bench: Tockly on the headless host at 1,000, 10,000 and 100,000 rows: one tick with no
// row due, one save of the whole table, start-up (the data file read, split and listed, the main
// window open), and the heap that start-up leaves in use; beside the save, the same bytes written
// to the file directly.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>
#include <vector>

#include "app/host_calls.h"
#include "host/core/date_time.h"
#include "programs/headless-tockly/headless_tockly.h"

namespace {

using tockly::harness::HeadlessTockly;

// 2026-03-02 00:00:00 local; every row is due in the afternoon, so no tick of a run fires one.
constexpr std::int64_t kStart = 1772409600000;

const std::vector<std::string>& table(std::int64_t rows) {
    static std::vector<std::string> made;
    if (static_cast<std::int64_t>(made.size()) != rows) {
        made.clear();
        for (std::int64_t i = 0; i < rows; ++i)
            made.push_back(tockly::harness::program_row(static_cast<int>(43200 + i % 43200),
                                                        "C:\\Tools\\job" + std::to_string(i) + ".exe"));
    }
    return made;
}

std::size_t heap_in_use() {
    return mallinfo2().uordblks;
}

void per_row(benchmark::State& state, std::int64_t rows) {
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["per_row"] =
        benchmark::Counter(static_cast<double>(rows),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Tick(benchmark::State& state) {
    const std::int64_t rows = state.range(0);
    HeadlessTockly tockly(kStart, table(rows));
    tockly.start();
    for (auto _ : state) tockly.windows().advance(tockly::host::kMsPerSecond);
    per_row(state, rows);
}

void BM_Save(benchmark::State& state) {
    const std::int64_t rows = state.range(0);
    HeadlessTockly tockly(kStart, table(rows));
    tockly.start();
    // An entry added at the top, then deleted again: each is a save of the whole table that
    // changes the file (a save of an unchanged table leaves the file alone).
    bool add = true;
    for (auto _ : state) {
        if (add) {
            tockly.click(tockly::app::按钮1);
        } else {
            tockly.select(tockly::app::列表框1, 0);
            tockly.click(tockly::app::按钮2);
        }
        add = !add;
    }
    per_row(state, rows);
}

// The yardstick of a save: the same data.ini bytes written straight to the file, replaced the way
// every save replaces it (a temporary file flushed, then renamed over the old one).
void BM_WriteFile(benchmark::State& state) {
    const std::int64_t rows = state.range(0);
    tockly::harness::TempFolder folder;
    const std::string bytes = tockly::harness::data_file(table(rows));
    const std::string path = (folder.path() / "data.ini").string();
    tockly::host::PosixFileSystem files;
    for (auto _ : state) files.replace_file(path, bytes);
    per_row(state, rows);
}

void BM_StartUp(benchmark::State& state) {
    const std::int64_t rows = state.range(0);
    const std::vector<std::string>& rows_text = table(rows);
    double heap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t before = heap_in_use();
        {
            HeadlessTockly tockly(kStart, rows_text);
            state.ResumeTiming();
            tockly.start();
            state.PauseTiming();
            heap = static_cast<double>(heap_in_use() - before);
        }
        state.ResumeTiming();
    }
    state.counters["heap_MB"] = heap / (1024.0 * 1024.0);
    per_row(state, rows);
}

// The host call that a save and a tick make for every row: a list item read into a new text,
// then released.
void BM_ReadRows(benchmark::State& state) {
    const std::int64_t rows = state.range(0);
    HeadlessTockly tockly(kStart, table(rows));
    tockly.start();
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (std::int32_t i = 0; i < rows; ++i) {
            const tockly::host::OwnedText row =
                tockly::app::calls::list_item_text(tockly.runtime(), tockly::app::列表框1, i);
            bytes += row.view().size();
        }
    }
    benchmark::DoNotOptimize(bytes);
    per_row(state, rows);
}

void rows_arguments(benchmark::internal::Benchmark* b) {
    b->Arg(0)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Tick)->Apply(rows_arguments);
BENCHMARK(BM_Save)->Apply(rows_arguments);
BENCHMARK(BM_WriteFile)->Apply(rows_arguments);
BENCHMARK(BM_StartUp)->Apply(rows_arguments);
BENCHMARK(BM_ReadRows)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
