// The host core at run time: implements the host interface that the handlers call, keeps every
// open window with its units, delivers events to the bound handlers one at a time, and runs the
// entry sequence (create the start-up window, run until it closes, clean up). Everything that
// touches a screen, a sound card, processes or timers goes through the WindowSystem; the clock,
// text memory and the INI store are seams of their own. Shared by the headless and Windows hosts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/date_time.h"
#include "host/core/ini_store.h"
#include "host/core/save_failure_notice.h"
#include "host/core/second_ticks.h"
#include "host/core/text_memory.h"
#include "host/core/unit_design.h"
#include "host/core/unit_state.h"
#include "host/core/window_system.h"
#include "host/host.h"

namespace tockly::host {

// What the entry sequence needs of the loaded image.
struct ProgramStart {
    std::uint32_t start_window = 0;
    // Text globals (offsets in the var data) that the clean-up routine releases.
    std::vector<std::uint32_t> cleanup_releases;
    std::uint32_t var_size = 4;
    // Where the globals live when the image's own code reads them (its `var` memory): var_size / 4
    // pointer slots owned by the caller, outliving the Runtime. Null: the Runtime keeps its own.
    void** globals_storage = nullptr;
    // The image's clean-up routine run as real code; when set, it replaces the release of
    // `cleanup_releases` at the end of the program.
    std::function<void()> cleanup_routine;
};

// Stands around every handler run (the Windows host's trace, a measurement). It is given the
// handler's entry and its words and runs `entry.fn` itself, on `host` or on a host of its own that
// passes the calls on.
class HandlerHook {
  public:
    virtual void run(const HandlerEntry& entry, Host& host, const std::uint32_t* args) = 0;

  protected:
    ~HandlerHook() = default;
};

class Runtime final : public Host {
  public:
    Runtime(const ProgramDesign& design, std::span<const HandlerEntry> handlers, ProgramStart start,
            WindowSystem& windows, Clock& clock, TextAllocator& memory, IniStore& ini);
    ~Runtime() override;
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // --- The entry sequence -----------------------------------------------------------------
    // Registers the clean-up and creates the start-up window (its creation handler runs).
    void start();
    // Delivers events until the start-up window has closed or no more events can come.
    void run_until_end();
    // Runs the clean-up routine and reports the end with exit code 0. Once only.
    void finish();
    // start(), run_until_end() and, when the start-up window has closed, finish(). Answers
    // whether the program ended by itself.
    bool run_entry_sequence();
    // Clean-up without an end of the program (the headless run stops while it still runs).
    void release_globals();
    bool started() const { return started_; }
    bool start_window_open() const;
    bool finished() const { return finished_; }

    // --- Host interface ---------------------------------------------------------------------
    std::uint64_t call_core(std::uint32_t command, std::span<const ArgRecord> args) override;
    std::uint64_t call_library(std::uint32_t library, std::uint32_t command,
                               std::span<const ArgRecord> args) override;
    std::uint64_t read_property(std::uint32_t window, std::uint32_t unit, std::uint32_t index,
                                std::int32_t element) override;
    void write_property(std::uint32_t window, std::uint32_t unit, std::uint32_t index, std::int32_t element,
                        std::uintptr_t low, std::uint32_t high) override;
    void* allocate(std::uint32_t size) override;
    void release(void* block) override;
    [[noreturn]] void fatal(std::uint32_t code) override;
    void** global_slot(std::uint32_t var_offset) override;

    // --- User input, from the window system -------------------------------------------------
    // Each answers whether it was taken: input to a window beneath a modal window is refused
    // (and reported to the window system), as is input to a unit of the wrong kind.
    bool click(WindowInstance& window, UnitState& unit);
    bool choose(WindowInstance& window, UnitState& combo, std::int32_t index);
    bool type_text(WindowInstance& window, UnitState& edit, std::string text);
    bool select(WindowInstance& window, UnitState& list, std::int32_t index);
    bool double_click(WindowInstance& window, UnitState& unit);
    bool right_click(WindowInstance& window);
    bool minimize(WindowInstance& window);
    // The user brought a minimized window back (the taskbar): it is in its normal placement again.
    // No event: the program hears only of minimizing.
    void restored(WindowInstance& window);
    bool tray_notify(WindowInstance& window, std::uint32_t kind);
    // Chooses an item of the menu popped up last, by its identifier; false when no menu is up or
    // it has no such item.
    bool choose_menu_item(std::uint32_t item_id);
    // The same by caption, as a user reads the menu: its first item of that caption.
    bool choose_menu_item(std::string_view caption);
    // A timer fell. A clock's one-second timer handles every wall-clock second once, in order,
    // catching up the seconds a late tick jumped over (see second_ticks.h).
    void timer_fired(TimerKey key);

    // How a clock's one-second timer is handled. Hosts keep `each_second_once`; `every_arrival`
    // (each tick handled as it comes, none caught up or dropped) exists to measure the difference.
    enum class SecondTicks { each_second_once, every_arrival };
    void set_second_ticks(SecondTicks how) { second_ticks_ = how; }
    // Every handler from now on runs through `hook` (null: directly). The hook outlives the runtime.
    void set_handler_hook(HandlerHook* hook) { hook_ = hook; }
    // The outcome of a write of an INI item (a save of the table or the ringtone): a save that
    // failed is told to the user once, until one succeeds again. A host that writes elsewhere
    // than in call_core (a writer thread) hands each outcome back here, on the event thread.
    void save_finished(std::string_view path, bool stored);

    // --- What is open -----------------------------------------------------------------------
    // Open windows in the order they were opened.
    std::vector<WindowInstance*> open_windows() const;
    WindowInstance* start_window_instance() const;
    // The newest open opening of a window design.
    WindowInstance* newest(std::uint32_t window_id) const;
    WindowInstance* newest_other_than_start() const;
    struct PoppedMenu {
        std::uint64_t window_serial = 0;
        std::uint32_t menu_id = 0;
    };
    std::optional<PoppedMenu> popped_menu() const { return popped_menu_; }
    const ProgramDesign& design() const { return design_; }

  private:
    // Both null when the reference did not resolve. Returned by value, not wrapped in an
    // optional: every row a save or a tick reads resolves its list box this way.
    struct Target {
        WindowInstance* window = nullptr;
        UnitState* unit = nullptr;
        explicit operator bool() const { return unit != nullptr; }
    };
    // What a failing call is named in its error message: a command (by its name, or its number
    // where it has none) or a fixed text. Spelled out only when a message is made, not on every
    // call a tick or a save makes for each row.
    class CallName {
      public:
        explicit CallName(std::uint32_t command) : command_(command) {}
        CallName(const char* fixed) : fixed_(fixed) {}  // NOLINT: a literal names the call
        std::string text() const;

      private:
        std::uint32_t command_ = 0;
        const char* fixed_ = nullptr;
    };
    Target resolve(std::uint32_t window_id, std::uint32_t unit_id, CallName what);
    Target unit_arg_target(std::span<const ArgRecord> args, std::size_t i, CallName what);

    // Opens a window afresh from its design; answers its serial.
    std::uint64_t open_window(const WindowDesign& design, bool modal);
    WindowInstance* find_serial(std::uint64_t serial) const;
    void close_window(WindowInstance& window);
    void destroy_now(WindowInstance& window);
    void start_timers(WindowInstance& window);
    void start_timer(WindowInstance& window, UnitState& timer);
    void deliver(WindowInstance& window, UnitState& unit, std::int32_t event,
                 std::span<const std::uint32_t> args = {});
    void run_handler(WindowInstance& window, std::uint32_t handler, std::span<const std::uint32_t> args);
    bool accepts_input(WindowInstance& window, std::string_view what, std::string_view target);
    void changed(WindowInstance& window, UnitState& unit, Change what);
    char* make_text(std::string_view bytes);
    std::uint64_t text_result(std::string_view bytes);
    std::uint64_t unit_command(std::uint32_t command, std::span<const ArgRecord> args);
    void bad_call(std::string what);
    // The window whose handler is running: a sound it starts or stops is its own.
    SoundOwner sound_owner() const;

    const ProgramDesign& design_;
    std::span<const HandlerEntry> handlers_;
    ProgramStart program_;
    WindowSystem& ws_;
    TickClock tick_clock_;  // the handlers' clock
    TextAllocator& memory_;
    IniStore& ini_;
    SaveFailureNotice save_notice_;

    std::vector<std::unique_ptr<WindowInstance>> open_;
    std::vector<std::unique_ptr<WindowInstance>> graveyard_;  // destroyed while a handler may hold them
    std::vector<WindowInstance*> context_;                    // windows whose events are running
    std::vector<void*> globals_;
    std::uint64_t next_serial_ = 1;
    std::optional<PoppedMenu> popped_menu_;
    bool started_ = false;
    bool start_window_closed_ = false;
    bool finished_ = false;
    SecondTicks second_ticks_ = SecondTicks::each_second_once;
    HandlerHook* hook_ = nullptr;
};

}  // namespace tockly::host
