// The Windows host's screen, sound card and OS: the host core's window system made of real
// windows and controls, system timers, the notification-area icon, the system's dialogs, sound
// (through its own thread, see sound_player.h), and processes. The core's unit state stays the one truth:
// every control shows it, and what the user does on a control comes back through the core's input entry
// points.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/core/date_time.h"
#include "host/core/file_system.h"
#include "host/core/window_system.h"
#include "host/win32/scoped_resources.h"
#include "host/win32/sound_player.h"
#include "host/win32/system_timers.h"
#include "host/win32/tray_icon.h"
#include "host/win32/window_places.h"

namespace tockly::host {
class Runtime;
}

namespace tockly::host::win32 {

class Trace;

class Win32WindowSystem final : public WindowSystem {
  public:
    Win32WindowSystem(Clock& clock, Trace* trace);
    ~Win32WindowSystem() override;
    Win32WindowSystem(const Win32WindowSystem&) = delete;
    Win32WindowSystem& operator=(const Win32WindowSystem&) = delete;

    void attach(Runtime& runtime) { runtime_ = &runtime; }
    // From any thread: hands the outcome of a save made in the background to the window thread,
    // which tells the program (and through it the user, when saving fails); a try that met a busy
    // file (to be made again) is only traced.
    void report_save(const std::string& path, ReplaceOutcome outcome);
    // The WAV played, repeated, when a ringtone the MP3 command accepted cannot be played after all.
    void set_ringtone_fallback(std::vector<std::uint8_t> wav);
    // Scales a length of the form's 96-DPI design to the display.
    int scale(int design_pixels) const;
    int dpi() const { return dpi_; }
    // The start-up window's handle once it exists (for tests and owners).
    HWND start_window_handle() const;

    // WindowSystem
    void create_window(WindowInstance& window) override;
    void show_window(WindowInstance& window) override;
    void destroy_window(WindowInstance& window) override;
    void unit_changed(WindowInstance& window, UnitState& unit, Change what) override;
    void item_edited(WindowInstance& window, UnitState& list, ItemEdit edit, std::int32_t index) override;
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
    std::string program_directory() override;
    void enable_visual_styles() override;
    void start_timer(TimerKey key, std::uint32_t period_ms, bool on_second_boundary) override;
    void stop_timer(TimerKey key) override;
    void run_loop(const std::function<bool()>& done) override;
    void host_error(std::string_view what) override;
    void program_ended(int exit_code) override;
    [[noreturn]] void fatal_error(std::uint32_t code) override;

    // --- Used by the window procedures (window_classes.cpp) ------------------------------------
    struct Control {
        std::uint32_t unit_id = 0;
        std::size_t index = 0;  // in WindowInstance::units
        // Declared before the window, so that the control goes before its font.
        ScopedFont font;
        ScopedWindow hwnd;
        // A hidden edit box's text is given to the control only when it is shown: the program
        // builds long texts in hidden edit boxes, piece by piece.
        bool text_pending = false;
        // A list box filled before its window is first shown (start-up appends every row of the
        // table) gets its rows in one go when the window is shown.
        bool items_pending = false;
        // A label that draws text too wide for one line as centred lines.
        bool breaks_lines = false;
    };
    // Everything the host keeps for one of the program's windows; the window's handle leads here.
    // Letting it go is the window's one teardown: its messages stop reaching the core, the windows
    // it disabled as a modal window take input again, its controls go, then their fonts, then the
    // window.
    struct WindowData {
        WindowData(Win32WindowSystem& owner, WindowInstance& window) : system(owner), instance(window) {}
        ~WindowData();
        WindowData(const WindowData&) = delete;
        WindowData& operator=(const WindowData&) = delete;

        Win32WindowSystem& system;
        WindowInstance& instance;  // lives at least as long as this (the core lets this go first)
        ScopedWindow hwnd;
        std::vector<Control> controls;
        std::vector<HWND> disabled_for_modal;  // windows this modal window disabled
        bool popup = false;  // a strip without a frame, placed beside the popups already shown
        bool modal = false;
        bool shown = false;
        int updating = 0;  // >0 while the host itself changes a control (no input events)
    };
    // The host itself changes the window's controls while this lives: what they notify meanwhile
    // is no input. Nests.
    class HostUpdate {
      public:
        explicit HostUpdate(WindowData& data) : data_(data) { ++data_.updating; }
        ~HostUpdate() { --data_.updating; }
        HostUpdate(const HostUpdate&) = delete;
        HostUpdate& operator=(const HostUpdate&) = delete;

      private:
        WindowData& data_;
    };
    LRESULT window_message(WindowData& data, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT host_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  private:
    static WindowData* data_of(const WindowInstance& window);
    static Control* control_of(WindowData& data, std::uint32_t unit_id);
    // The unit whose control has the identifier `id`, or null.
    static UnitState* unit_with_control_id(WindowData& data, int id);
    // The unit whose control is `hwnd` (or holds it, as a combo box holds its list), or null.
    static const UnitState* unit_of_control(WindowData& data, HWND hwnd);
    void create_controls(WindowData& data);
    HWND create_control(WindowData& data, UnitState& unit, std::size_t index);
    void show_state(WindowData& data, Control& control, UnitState& unit);
    void fill_items(WindowData& data, Control& control, UnitState& unit);
    ScopedFont make_font(const UnitState& unit) const;
    HBRUSH brush(COLORREF colour);
    COLORREF window_background(const WindowInstance& window) const;
    LRESULT control_colours(WindowData& data, HDC dc, HWND control);
    void timer_message(UINT_PTR id);
    void tray_message(LPARAM lparam);
    void sound_message(WPARAM report, LPARAM error);
    void remove_tray_icon();
    void shut_down();
    void trace_window(const char* kind, const WindowInstance& window);
    // The lines a label that breaks lines draws its text in now (for the tests).
    void trace_label_lines(const WindowData& data, const UnitState& unit, const Control& control);
    // Where a window of the design place `design` (scaled) goes on the screen.
    Box place_on_screen(const Box& design, bool popup) const;
    // Modal popups above those opened after them, so that what takes the input stays in sight.
    void raise_modal_popups();
    void command_message(WindowData& data, WPARAM wparam, LPARAM lparam);
    // Another start, the session's end, the clock set, waking up (session_events.cpp).
    bool life_message(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);
    void bring_back_main_window();
    [[noreturn]] void end_with_session();
    void rearm_second_timers(const char* why);

    Clock& clock_;
    Trace* trace_;
    Runtime* runtime_ = nullptr;
    HINSTANCE instance_ = nullptr;
    ScopedWindow host_window_;  // timers, the tray icon and deferred work
    int dpi_ = 96;
    std::map<std::uint64_t, std::unique_ptr<WindowData>> windows_;  // by serial
    std::uint64_t start_serial_ = 0;
    std::map<COLORREF, ScopedBrush> brushes_;

    std::unique_ptr<SystemTimers> timers_;  // made once the host window exists

    // The one notification-area icon.
    std::unique_ptr<TrayIcon> tray_;
    std::uint64_t tray_window_serial_ = 0;  // the window its clicks go to

    // Made once the host window that receives its reports exists.
    std::unique_ptr<SoundPlayer> sound_;

    // The menu item chosen last, delivered once the handler that popped the menu has ended.
    std::optional<std::uint32_t> chosen_menu_item_;

    ScopedActivationContext visual_styles_context_;
    bool ended_ = false;
};

}  // namespace tockly::host::win32
