// A small in-memory host for exercising Tockly's handlers directly: unit properties, the list box,
// combo items, the INI file and the clock in memory; every effect a user would notice is logged.
// Every block handed out is counted, so a test can show that each was released exactly once.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/units.h"
#include "host/host.h"

namespace tockly::app::testing {

class FakeHost : public host::Host {
  public:
    FakeHost();
    ~FakeHost() override;

    // --- state a test sets up or inspects ---
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::string> texts;  // (unit id, index)
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::int32_t> ints;
    std::vector<std::string> rows;           // 列表框1
    std::map<std::string, std::string> ini;  // key -> value, section "表" of data.ini
    int ini_writes = 0;
    std::int64_t clock_ms = 0;         // local time, ms since 1970-01-01
    std::vector<std::string> effects;  // what a user would notice, in order
    bool next_dialog_chosen = true;    // answer of the next file dialog
    std::string next_dialog_file;
    std::set<std::string> playable_mp3;  // paths the MP3 command can play
    void* global = nullptr;

    std::string text(const Unit& u, std::uint32_t index = 8) const;
    std::int32_t number(const Unit& u, std::uint32_t index) const;
    void set_text(const Unit& u, const std::string& value, std::uint32_t index = 8) {
        texts[{u.id, index}] = value;
    }
    void set_number(const Unit& u, std::uint32_t index, std::int32_t v) { ints[{u.id, index}] = v; }
    void set_time(int h, int m, int s) {
        clock_ms = ((std::int64_t{h} * 60 + m) * 60 + s) * 1000 + 86400000LL * 20000;
    }
    std::size_t live_blocks() const { return live_.size(); }
    int bad_releases = 0;

    // --- host::Host ---
    std::uint64_t call_core(std::uint32_t command, std::span<const host::ArgRecord> args) override;
    std::uint64_t call_library(std::uint32_t library, std::uint32_t command,
                               std::span<const host::ArgRecord> args) override;
    std::uint64_t read_property(std::uint32_t window, std::uint32_t unit, std::uint32_t index,
                                std::int32_t element) override;
    void write_property(std::uint32_t window, std::uint32_t unit, std::uint32_t index, std::int32_t element,
                        std::uintptr_t low, std::uint32_t high) override;
    void* allocate(std::uint32_t size) override;
    void release(void* block) override;
    [[noreturn]] void fatal(std::uint32_t code) override {
        throw std::runtime_error("fatal " + std::to_string(code));
    }
    void** global_slot(std::uint32_t) override { return &global; }

  private:
    std::uint64_t new_text(const std::string& s);
    std::set<void*> live_;
};

// Binds the constants of a pool made from constant_list() for the lifetime of the object.
class BoundConstants {
  public:
    BoundConstants();
    ~BoundConstants();

  private:
    std::vector<std::uint8_t> pool_;
};

}  // namespace tockly::app::testing
