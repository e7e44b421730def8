// The INI store on a real disk: a 10 MB value, a 1000-row table written whole, and the table
// saved the way the application saves it (the growing value written once per row).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "host/core/file_system_posix.h"
#include "host/core/ini_store.h"

namespace {

using tockly::host::IniStore;
using tockly::host::PosixFileSystem;

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tockly-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

std::string row(int i) {
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", (i / 3600) % 24, (i / 60) % 60, i % 60);
    return std::string(time) + "     \xce\xc2\xdc\xb0\xcc\xe1\xca\xbe    \xbf\xaa\xbb\xe1 " +
           std::to_string(i) + "@";
}

std::string table(int rows) {
    std::string value;
    for (int i = 0; i < rows; ++i) value += row(i);
    return value;
}

void BM_Write10MB(benchmark::State& state) {
    TempFolder folder;
    PosixFileSystem files;
    IniStore store(files);
    const std::string path = (folder.path / "data.ini").string();
    const std::string value(10u << 20, 'x');
    bool flip = false;
    for (auto _ : state) {
        // Alternate the last byte so every write really changes the file.
        std::string v = value;
        v.back() = (flip = !flip) ? 'y' : 'z';
        benchmark::DoNotOptimize(store.write(path, "\xb1\xed", "\xca\xb1\xb1\xed", v));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(value.size()));
}
BENCHMARK(BM_Write10MB)->Unit(benchmark::kMillisecond);

void BM_Read10MB(benchmark::State& state) {
    TempFolder folder;
    PosixFileSystem files;
    IniStore store(files);
    const std::string path = (folder.path / "data.ini").string();
    store.write(path, "\xb1\xed", "\xca\xb1\xb1\xed", std::string(10u << 20, 'x'));
    for (auto _ : state) benchmark::DoNotOptimize(store.read(path, "\xb1\xed", "\xca\xb1\xb1\xed"));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (10 << 20));
}
BENCHMARK(BM_Read10MB)->Unit(benchmark::kMillisecond);

void BM_Table1000WriteOnce(benchmark::State& state) {
    TempFolder folder;
    PosixFileSystem files;
    IniStore store(files);
    const std::string path = (folder.path / "data.ini").string();
    std::string value = table(1000);
    int n = 0;
    for (auto _ : state) {
        value.back() = (++n % 2) ? '@' : '#';
        benchmark::DoNotOptimize(store.write(path, "\xb1\xed", "\xca\xb1\xb1\xed", value));
    }
}
BENCHMARK(BM_Table1000WriteOnce)->Unit(benchmark::kMillisecond);

void BM_Table1000Read(benchmark::State& state) {
    TempFolder folder;
    PosixFileSystem files;
    IniStore store(files);
    const std::string path = (folder.path / "data.ini").string();
    store.write(path, "\xb1\xed", "\xc1\xe5\xc9\xf9", "D:\\ring\\bell.mp3");
    store.write(path, "\xb1\xed", "\xca\xb1\xb1\xed", table(1000));
    for (auto _ : state) benchmark::DoNotOptimize(store.read(path, "\xb1\xed", "\xca\xb1\xb1\xed"));
}
BENCHMARK(BM_Table1000Read)->Unit(benchmark::kMicrosecond);

// One write per row, each with the whole value so far.
void BM_Table1000SavedRowByRow(benchmark::State& state) {
    TempFolder folder;
    PosixFileSystem files;
    IniStore store(files);
    const std::string path = (folder.path / "data.ini").string();
    for (auto _ : state) {
        std::string value;
        for (int i = 0; i < 1000; ++i) {
            value += row(i);
            store.write(path, "\xb1\xed", "\xca\xb1\xb1\xed", value);
        }
        store.write(path, "\xb1\xed", "\xca\xb1\xb1\xed", "");
    }
}
BENCHMARK(BM_Table1000SavedRowByRow)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
