// Tockly on the headless host inside one process, for long simulations, benchmarks and the handler
// tests: its image built in memory, its folder a fresh temporary one (removed again), its table
// given as rows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/units.h"
#include "host/core/file_system_posix.h"
#include "host/headless/headless_program.h"

namespace tockly::harness {

// A row of the table as Tockly writes it: "HH:MM:SS" and the function's label and message (GBK).
std::string program_row(int second_of_day, const std::string& path);
std::string reminder_row(int second_of_day, const std::string& message);
// The bytes of a data.ini holding these rows.
std::string data_file(const std::vector<std::string>& rows);

// A temporary folder, removed with everything in it when it goes.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Passes every call on; counts the files replaced (each save of data.ini is one).
class CountingFiles final : public host::FileSystem {
  public:
    explicit CountingFiles(host::FileSystem& inner) : inner_(inner) {}
    using FileSystem::read_file;
    using FileSystem::replace_file;
    void read_file(const std::string& path, host::FileRead& into) override { inner_.read_file(path, into); }
    bool replace_file(const std::string& path, std::span<const std::string_view> pieces) override {
        ++replacements_;
        return inner_.replace_file(path, pieces);
    }
    void remove_stale_temporaries(const std::string& path) override { inner_.remove_stale_temporaries(path); }
    int replacements() const { return replacements_; }

  private:
    host::FileSystem& inner_;
    int replacements_ = 0;
};

// Tockly's image, built and loaded once per process.
const std::shared_ptr<const host::LoadedImage>& tockly_image();

class HeadlessTockly {
  public:
    // The clock starts at `start_ms` (local); data.ini holds `rows` (none: no file).
    HeadlessTockly(std::int64_t start_ms, const std::vector<std::string>& rows);
    ~HeadlessTockly();
    HeadlessTockly(const HeadlessTockly&) = delete;
    HeadlessTockly& operator=(const HeadlessTockly&) = delete;

    // Runs the entry sequence up to the event loop (the main window open, start-up done).
    void start();

    host::Runtime& runtime() { return program_.runtime(); }
    host::headless::HeadlessWindowSystem& windows() { return program_.windows(); }
    host::headless::VirtualClock& clock() { return program_.clock(); }
    host::CountingAllocator& memory() { return program_.memory(); }
    const std::filesystem::path& folder() const { return folder_.path(); }
    // How many times a file of the program's folder was replaced (written) so far.
    int file_writes() const { return counted_.replacements(); }

    // A unit of the newest open opening of its window.
    host::WindowInstance& window_of(const app::Unit& unit);
    host::UnitState& unit(const app::Unit& unit);
    void click(const app::Unit& unit);
    void choose(const app::Unit& combo, int index);
    void select(const app::Unit& list, int index);
    // Right-clicks every open popup (a reminder popup stays until then).
    void close_popups();
    std::size_t table_rows();

  private:
    TempFolder folder_;
    host::PosixFileSystem posix_;
    CountingFiles counted_{posix_};
    host::headless::HeadlessProgram program_;
};

// The process's resident memory in bytes (0 where unknown).
std::uint64_t resident_bytes();

}  // namespace tockly::harness
