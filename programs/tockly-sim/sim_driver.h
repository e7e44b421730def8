// Runs a parsed script against the headless host: each command is one step of input, taken by the
// host's event loop (also inside a modal window) until the script ends. Every recorded effect and
// every `show` is written as one JSON line with its virtual time.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/core/file_system.h"
#include "host/core/runtime.h"
#include "host/headless/headless_window_system.h"
#include "programs/tockly-sim/script.h"

namespace tockly::sim {

using host::headless::Json;

// A command that cannot be carried out as written (an unknown unit, a command out of place).
struct ScriptFailure : std::runtime_error {
    ScriptFailure(const Command& c, const std::string& reason)
        : std::runtime_error("line " + std::to_string(c.line) + ": '" + c.source + "': " + reason) {}
};

// Texts inside are GBK; out they go as UTF-8 with \xHH for other bytes.
Json display_json(const Json& value);

class Driver final : public host::headless::EventSource {
  public:
    Driver(std::vector<Command> commands, host::Runtime& runtime,
           host::headless::HeadlessWindowSystem& windows, host::headless::VirtualClock& clock,
           host::FileSystem& files, std::ostream& out);

    // Runs the script to its end (throws ScriptFailure).
    void run();
    bool step() override;
    // Writes one line: {"t": ..., then the fields}.
    void emit(std::int64_t at, const Json& fields);

  private:
    void execute(const Command& c);
    void show(const Command& c);
    host::WindowInstance& window_named(const Command& c, const std::string& name);
    // A unit by its form name: the main window first, then the open popups, newest first.
    std::pair<host::WindowInstance*, host::UnitState*> unit_named(const Command& c);
    void need_running(const Command& c);

    std::vector<Command> commands_;
    std::size_t next_ = 0;
    host::Runtime& runtime_;
    host::headless::HeadlessWindowSystem& windows_;
    host::headless::VirtualClock& clock_;
    host::FileSystem& files_;
    std::ostream& out_;
};

}  // namespace tockly::sim
