// Everything the host core needs from a screen, a sound card and the OS, and nothing else: the
// seam between the portable core (units, properties, commands, events) and a concrete host. The
// headless host implements it in memory over a virtual clock and records what a user would see
// or hear; the Windows host implements it with real windows, controls, timers and processes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "host/core/property_store.h"
#include "host/core/sound_owners.h"
#include "host/core/unit_state.h"

namespace tockly::host {

// A running timer: the window opening it belongs to and the timer unit.
struct TimerKey {
    std::uint64_t window_serial = 0;
    std::uint32_t unit_id = 0;
    bool operator==(const TimerKey&) const = default;
};

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;

    // --- Windows and controls -------------------------------------------------------------
    // The window and all its units exist in `window` with their design values; make them real,
    // not yet shown. Called before the creation-complete event.
    virtual void create_window(WindowInstance& window) = 0;
    // The creation-complete event has run: show the window (if its visible flag is on) as the
    // handler left it, so its design texts never flash up.
    virtual void show_window(WindowInstance& window) = 0;
    // The window goes away (its about-to-be-destroyed event has run).
    virtual void destroy_window(WindowInstance& window) = 0;
    // A handler changed a property; show it.
    // The screen follows the core's unit state; what the user changes on it (text typed, a row
    // selected) comes back through the runtime's input entry points as it happens, so the core
    // never has to ask the screen.
    virtual void unit_changed(WindowInstance& window, UnitState& unit, Change what) = 0;
    // One row of a list box was inserted at `index` or deleted from there (the selection already
    // moved with its row). A screen that shows the whole list again for it may keep the default.
    enum class ItemEdit { inserted, deleted };
    virtual void item_edited(WindowInstance& window, UnitState& list, ItemEdit edit, std::int32_t index) {
        (void)edit;
        (void)index;
        unit_changed(window, list, Change::items);
    }
    virtual void set_focus(WindowInstance& window, UnitState& unit) = 0;
    // Shows the menu headed by `menu` at the pointer; a choice comes back through the core's
    // choose_menu_item.
    virtual void pop_up_menu(WindowInstance& window, UnitState& menu) = 0;
    // Runs the file dialog modally: the chosen file's full path, or nothing when cancelled.
    virtual std::optional<std::string> run_file_dialog(WindowInstance& window, UnitState& dialog) = 0;
    // Returns when the user has dismissed it.
    virtual void message_box(std::string_view text, std::uint32_t buttons) = 0;
    // Sets (or replaces) the window's one notification-area icon.
    virtual void set_tray_icon(WindowInstance& window, std::span<const std::uint8_t> icon,
                               std::string_view tip) = 0;
    // Input that the core turned away, e.g. a click on the main window while a modal window is
    // open (a real screen never delivers it; the headless host records the attempt).
    virtual void input_refused(std::string_view what, std::string_view target) = 0;

    // --- Sound and processes ----------------------------------------------------------------
    // Each sound belongs to the window whose handler asked for it (`owner`, see sound_owners.h).
    // Whether playback of the MP3 file started.
    virtual bool play_mp3(SoundOwner owner, std::string_view path, std::int32_t times) = 0;
    virtual void play_wav(SoundOwner owner, std::span<const std::uint8_t> wav, bool repeat) = 0;
    // Ends the owner's sound, MP3 and WAV alike, and no other window's.
    virtual void stop_sound(SoundOwner owner) = 0;
    virtual void run_process(std::string_view command_line, bool wait, std::int32_t show_mode) = 0;
    // The folder of the program, without a trailing separator.
    virtual std::string program_directory() = 0;
    // The interface library's start-up command: the system's visual styles for our controls.
    virtual void enable_visual_styles() = 0;

    // --- Timers and the event loop ------------------------------------------------------------
    // Starts or restarts a timer. A second-boundary timer falls once in every wall-clock second,
    // just after the boundary (a one-shot re-armed each time); any other runs at its period
    // from now. Each tick comes back through the core's timer_fired.
    virtual void start_timer(TimerKey key, std::uint32_t period_ms, bool on_second_boundary) = 0;
    virtual void stop_timer(TimerKey key) = 0;
    // Delivers events (user input, timers) until `done` answers true or no more events can come.
    virtual void run_loop(const std::function<bool()>& done) = 0;

    // --- The end --------------------------------------------------------------------------
    // A malformed host call (a wrong argument, an unknown property or command): the core answers
    // "nothing" and tells the window system, which may log it.
    virtual void host_error(std::string_view what) = 0;
    // The program has ended with this exit code (after its clean-up routine).
    virtual void program_ended(int exit_code) = 0;
    // A fatal run-time error of the application: ends the program; does not return.
    [[noreturn]] virtual void fatal_error(std::uint32_t code) = 0;
};

}  // namespace tockly::host
