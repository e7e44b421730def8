// The headless host's screen, sound card and OS: windows and controls live only in the core's
// state; every effect a user could see or hear is recorded as one JSON object (texts inside stay
// GBK bytes; whoever prints them converts). Time is the virtual clock's; timers fall on it when
// the clock is advanced. Input comes from an event source (a script), which the event loop pulls
// one step at a time, also inside a modal window.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "host/core/window_system.h"
#include "host/headless/timer_queue.h"
#include "host/headless/virtual_clock.h"

namespace tockly::host {
class Runtime;
}

namespace tockly::host::headless {

using Json = nlohmann::ordered_json;

// One recorded effect: the virtual time and the object describing it ("effect": its kind).
struct Effect {
    std::int64_t at = 0;
    Json fields;
};

// Where input comes from: each call performs one step (a script line); false when none is left.
class EventSource {
  public:
    virtual ~EventSource() = default;
    virtual bool step() = 0;
};

// Thrown by a fatal error of the application: the program is over at once.
struct ProgramAborted : std::exception {
    std::uint32_t code = 0;
    explicit ProgramAborted(std::uint32_t c) : code(c) {}
    const char* what() const noexcept override { return "the program ended with a fatal error"; }
};

class HeadlessWindowSystem final : public WindowSystem {
  public:
    HeadlessWindowSystem(VirtualClock& clock, std::string program_directory);

    void attach(Runtime& runtime) { runtime_ = &runtime; }
    void set_event_source(EventSource* source) { source_ = source; }
    // Called with every effect as it happens (the sim prints them); all are kept in effects() too.
    void on_effect(std::function<void(const Effect&)> sink) { sink_ = std::move(sink); }
    const std::vector<Effect>& effects() const { return effects_; }

    // Moves the clock forward by `ms`, delivering every timer that falls due on the way in time
    // order; stops early when the program ends.
    void advance(std::int64_t ms);
    // Sets the clock (a jump: nothing catches up).
    void set_clock(std::int64_t ms);

    // For long simulations: timer messages arrive as late as `lateness` answers (a busy machine);
    // second-boundary timers may run as plain 1000 ms periods instead; effects may go to the sink
    // only, without being kept.
    void set_timer_lateness(std::function<std::int64_t()> lateness) {
        timers_.set_lateness(std::move(lateness));
    }
    void set_second_timers_free_running(bool on) { free_running_seconds_ = on; }
    void keep_effects(bool keep) { keep_effects_ = keep; }

    // The next opening of the dialog named so is answered with this path, or cancelled.
    void answer_dialog(const std::string& dialog_name, std::optional<std::string> path);

    // "main" for the start-up window, "popup#N" for the N-th opening of any other window.
    std::string window_label(const WindowInstance& window) const;
    // A GBK path of the program as a file name here: backslashes become slashes (not those that
    // are the second byte of a double-byte character).
    std::string local_path(const std::string& path) const;
    const std::string& directory() const { return directory_; }
    std::optional<std::string> tray_tip() const { return tray_tip_; }

    // WindowSystem
    void create_window(WindowInstance& window) override;
    void show_window(WindowInstance& window) override;
    void destroy_window(WindowInstance& window) override;
    void unit_changed(WindowInstance& window, UnitState& unit, Change what) override;
    void set_focus(WindowInstance& window, UnitState& unit) override;
    void pop_up_menu(WindowInstance& window, UnitState& menu) override;
    std::optional<std::string> run_file_dialog(WindowInstance& window, UnitState& dialog) override;
    void message_box(std::string_view text, std::uint32_t buttons) override;
    void set_tray_icon(WindowInstance& window, std::span<const std::uint8_t> icon,
                       std::string_view tip) override;
    void input_refused(std::string_view what, std::string_view target) override;
    bool play_mp3(SoundOwner owner, std::string_view path, std::int32_t times) override;
    void play_wav(SoundOwner owner, std::span<const std::uint8_t> wav, bool repeat) override;
    void stop_sound(SoundOwner owner) override;
    void run_process(std::string_view command_line, bool wait, std::int32_t show_mode) override;
    std::string program_directory() override { return directory_; }
    void enable_visual_styles() override;
    void start_timer(TimerKey key, std::uint32_t period_ms, bool on_second_boundary) override;
    void stop_timer(TimerKey key) override;
    void run_loop(const std::function<bool()>& done) override;
    void host_error(std::string_view what) override;
    void program_ended(int exit_code) override;
    [[noreturn]] void fatal_error(std::uint32_t code) override;

    // The labels of a window that a user sees: name, text, point size, colour.
    static Json visible_labels(const WindowInstance& window);

  private:
    void record(Json fields);
    // What the sound card does for a request of `asking`: a WAV of another window heard again
    // is recorded (the request itself is recorded by its command).
    void sound_steps(const SoundSteps& steps, SoundOwner asking);

    VirtualClock& clock_;
    std::string directory_;
    Runtime* runtime_ = nullptr;
    EventSource* source_ = nullptr;
    std::function<void(const Effect&)> sink_;
    std::vector<Effect> effects_;
    TimerQueue timers_;
    SoundOwners sound_;
    std::map<std::uint64_t, std::string> labels_;  // window serial -> label
    std::uint64_t start_serial_ = 0;
    int popups_ = 0;
    std::map<std::string, std::deque<std::optional<std::string>>> answers_;
    std::optional<std::string> tray_tip_;
    bool ended_ = false;
    bool free_running_seconds_ = false;
    bool keep_effects_ = true;
};

// The point size of a LOGFONT height as a JSON number: whole sizes without a fraction.
Json points_value(std::int32_t height);

// "#RRGGBB" of a COLORREF (0x00BBGGRR); "none" for a unit without a colour of its own.
std::string colour_text(std::uint32_t colorref);

}  // namespace tockly::host::headless
