#include "host/headless/headless_window_system.h"

#include <cstdio>
#include <fstream>
#include <vector>

#include "host/core/mp3_signature.h"
#include "host/core/runtime.h"
#include "host/core/unit_design.h"
#include "image/form_format.h"
#include "image/gbk_bytes.h"
#include "image/hex_text.h"

namespace tockly::host::headless {

namespace {

std::string hex_byte(unsigned v) {
    return image::hex_digits(v & 0xFFu, 2, image::HexLetters::upper);
}

}  // namespace

Json points_value(std::int32_t height) {
    // Sizes as a designer gives them: halves stay (10.5), anything else rounds to whole points
    // (a height of -15 is the 11-point type).
    const double points = font_points(height);
    const double halves = points * 2;
    if (halves == static_cast<double>(static_cast<std::int64_t>(halves))) {
        if (points == static_cast<double>(static_cast<std::int64_t>(points)))
            return static_cast<std::int64_t>(points);
        return points;
    }
    return static_cast<std::int64_t>(points + 0.5);
}

std::string colour_text(std::uint32_t colorref) {
    if (image::form_format::is_no_colour(colorref)) return "none";
    return "#" + hex_byte(colorref) + hex_byte(colorref >> 8) + hex_byte(colorref >> 16);
}

HeadlessWindowSystem::HeadlessWindowSystem(VirtualClock& clock, std::string program_directory)
    : clock_(clock), directory_(std::move(program_directory)) {
    while (directory_.size() > 1 && (directory_.back() == '/' || directory_.back() == '\\'))
        directory_.pop_back();
}

void HeadlessWindowSystem::record(Json fields) {
    if (!keep_effects_) {
        if (sink_) sink_(Effect{clock_.now(), std::move(fields)});
        return;
    }
    effects_.push_back(Effect{clock_.now(), std::move(fields)});
    if (sink_) sink_(effects_.back());
}

std::string HeadlessWindowSystem::window_label(const WindowInstance& window) const {
    auto it = labels_.find(window.serial);
    return it != labels_.end() ? it->second : "window#" + std::to_string(window.serial);
}

std::string HeadlessWindowSystem::local_path(const std::string& path) const {
    // The program's folder is a name of this system as it was given; only what the program
    // added after it is a GBK path with backslashes.
    std::string out;
    std::size_t i = 0;
    if (!directory_.empty() && path.compare(0, directory_.size(), directory_) == 0) {
        out = directory_;
        i = directory_.size();
    }
    for (; i < path.size(); ++i) {
        const auto b = static_cast<unsigned char>(path[i]);
        if (image::is_gbk_lead_byte(b) && i + 1 < path.size()) {
            out += path[i];
            out += path[++i];
        } else {
            out += b == '\\' ? '/' : path[i];
        }
    }
    return out;
}

Json HeadlessWindowSystem::visible_labels(const WindowInstance& window) {
    Json labels = Json::array();
    for (const auto& unit : window.units) {
        if (unit.type() != UnitType::label || !unit.visible || unit.text.empty()) continue;
        labels.push_back(Json{{"name", unit.name()},
                              {"text", unit.text},
                              {"size", points_value(unit.font_height)},
                              {"colour", colour_text(unit.text_colour)}});
    }
    return labels;
}

// --- Windows ---------------------------------------------------------------------------------------

void HeadlessWindowSystem::create_window(WindowInstance& window) {
    if (start_serial_ == 0) start_serial_ = window.serial;
    labels_[window.serial] = window.serial == start_serial_ ? "main" : "popup#" + std::to_string(++popups_);
}

void HeadlessWindowSystem::show_window(WindowInstance& window) {
    Json fields{{"effect", "open"}, {"window", window_label(window)}};
    if (window.modal) fields["modal"] = true;
    if (!window.self().visible) fields["hidden"] = true;
    fields["labels"] = visible_labels(window);
    record(std::move(fields));
}

void HeadlessWindowSystem::destroy_window(WindowInstance& window) {
    record(Json{{"effect", "close"}, {"window", window_label(window)}});
    if (window.serial == start_serial_ && tray_tip_) {
        // The tray icon goes with the program.
        record(Json{{"effect", "tray_icon_removed"}});
        tray_tip_.reset();
    }
}

void HeadlessWindowSystem::unit_changed(WindowInstance& window, UnitState& unit, Change what) {
    if (unit.type() != UnitType::window) return;
    if (what == Change::visible) {
        record(Json{{"effect", unit.visible ? "show" : "hide"}, {"window", window_label(window)}});
    } else if (what == Change::placement) {
        record(Json{{"effect", "placement"},
                    {"window", window_label(window)},
                    {"state", unit.placement == placement::minimised ? "minimised" : "normal"}});
    }
}

void HeadlessWindowSystem::set_focus(WindowInstance& window, UnitState& unit) {
    record(Json{{"effect", "focus"}, {"window", window_label(window)}, {"unit", unit.name()}});
}

void HeadlessWindowSystem::pop_up_menu(WindowInstance& window, UnitState& menu) {
    Json items = Json::array();
    for (UnitState* item : window.menu_items(menu.id())) items.push_back(item->text);
    record(Json{{"effect", "menu"}, {"window", window_label(window)}, {"menu", menu.text}, {"items", items}});
}

std::optional<std::string> HeadlessWindowSystem::run_file_dialog(WindowInstance& window, UnitState& dialog) {
    std::optional<std::string> answer;
    auto it = answers_.find(dialog.name());
    if (it != answers_.end() && !it->second.empty()) {
        answer = it->second.front();
        it->second.pop_front();
    }
    Json fields{{"effect", "file_dialog"},
                {"window", window_label(window)},
                {"dialog", dialog.name()},
                {"filter", dialog.design->filter},
                {"folder", dialog.design->initial_dir},
                {"extension", dialog.design->default_ext}};
    if (answer) {
        fields["chosen"] = *answer;
    } else {
        fields["cancelled"] = true;
    }
    record(std::move(fields));
    return answer;
}

void HeadlessWindowSystem::answer_dialog(const std::string& dialog_name, std::optional<std::string> path) {
    answers_[dialog_name].push_back(std::move(path));
}

void HeadlessWindowSystem::message_box(std::string_view text, std::uint32_t buttons) {
    record(Json{{"effect", "message_box"}, {"text", std::string(text)}, {"buttons", buttons}});
}

void HeadlessWindowSystem::set_tray_icon(WindowInstance& window, std::span<const std::uint8_t> icon,
                                         std::string_view tip) {
    const bool replaced = tray_tip_.has_value();
    tray_tip_ = std::string(tip);
    record(Json{{"effect", "tray_icon"},
                {"window", window_label(window)},
                {"tip", std::string(tip)},
                {"icon_bytes", icon.size()},
                {"replaced", replaced}});
}

void HeadlessWindowSystem::input_refused(std::string_view what, std::string_view target) {
    record(Json{{"effect", "refused"}, {"input", std::string(what)}, {"target", std::string(target)}});
}

// --- Sound and processes ---------------------------------------------------------------------------

bool HeadlessWindowSystem::play_mp3(SoundOwner owner, std::string_view path, std::int32_t times) {
    // This sound card plays every file whose start looks like an MP3 and refuses any other; a
    // readable file that does not look like one is still offered to it (and refused).
    bool started = false;
    if (!path.empty()) {
        std::ifstream in(local_path(std::string(path)), std::ios::binary);
        if (in) {
            std::vector<std::uint8_t> head(kMp3SignatureBytes);
            in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
            head.resize(static_cast<std::size_t>(in.gcount()));
            started = looks_like_mp3(head);
            using Check = SoundOwners::Mp3Check;
            sound_steps(sound_.play_mp3(owner, started ? Check::accepted : Check::doubted), owner);
            sound_steps(started ? sound_.mp3_playing(owner) : sound_.mp3_failed(owner), owner);
        }
    }
    record(Json{{"effect", "play_mp3"}, {"path", std::string(path)}, {"times", times}, {"started", started}});
    return started;
}

void HeadlessWindowSystem::play_wav(SoundOwner owner, std::span<const std::uint8_t> wav, bool repeat) {
    record(Json{{"effect", "play_wav"}, {"bytes", wav.size()}, {"repeat", repeat}});
    auto bytes = std::make_shared<const std::vector<std::uint8_t>>(wav.begin(), wav.end());
    sound_steps(sound_.play_wav(owner, std::move(bytes), repeat), owner);
}

void HeadlessWindowSystem::stop_sound(SoundOwner owner) {
    record(Json{{"effect", "stop_sound"}});
    sound_steps(sound_.stop(owner), owner);
}

void HeadlessWindowSystem::sound_steps(const SoundSteps& steps, SoundOwner asking) {
    for (const SoundStep& step : steps) {
        if (step.kind != SoundStep::Kind::start_wav || step.owner == asking) continue;
        auto label = labels_.find(step.owner);
        const SoundBytes& wav = sound_.wav_of(step.owner);
        record(
            Json{{"effect", "sound_resumed"},
                 {"window", label != labels_.end() ? label->second : "window#" + std::to_string(step.owner)},
                 {"bytes", wav ? wav->size() : 0}});
    }
}

void HeadlessWindowSystem::run_process(std::string_view command_line, bool wait, std::int32_t show_mode) {
    record(
        Json{{"effect", "run"}, {"command", std::string(command_line)}, {"wait", wait}, {"show", show_mode}});
}

void HeadlessWindowSystem::enable_visual_styles() {
    record(Json{{"effect", "visual_styles"}});
}

// --- Timers and the loop ---------------------------------------------------------------------------

void HeadlessWindowSystem::start_timer(TimerKey key, std::uint32_t period_ms, bool on_second_boundary) {
    timers_.start(key, period_ms, on_second_boundary && !free_running_seconds_, clock_.now());
}

void HeadlessWindowSystem::stop_timer(TimerKey key) {
    timers_.stop(key);
}

void HeadlessWindowSystem::advance(std::int64_t ms) {
    const std::int64_t target = clock_.now() + (ms > 0 ? ms : 0);
    while (!ended_) {
        auto due = timers_.pop_due(target);
        if (!due) break;
        // A nested wait inside a modal window may have moved the clock past this already.
        if (due->at > clock_.now()) clock_.set(due->at);
        if (runtime_ != nullptr) runtime_->timer_fired(due->key);
    }
    if (clock_.now() < target) clock_.set(target);
}

void HeadlessWindowSystem::set_clock(std::int64_t ms) {
    timers_.clock_jumped(clock_.now(), ms);
    clock_.set(ms);
}

void HeadlessWindowSystem::run_loop(const std::function<bool()>& done) {
    while (!done()) {
        if (source_ == nullptr || !source_->step()) return;
    }
}

// --- The end ---------------------------------------------------------------------------------------

void HeadlessWindowSystem::host_error(std::string_view what) {
    record(Json{{"effect", "host_error"}, {"what", std::string(what)}});
}

void HeadlessWindowSystem::program_ended(int exit_code) {
    ended_ = true;
    timers_.stop_all();
    record(Json{{"effect", "exit"}, {"code", exit_code}});
}

void HeadlessWindowSystem::fatal_error(std::uint32_t code) {
    ended_ = true;
    timers_.stop_all();
    record(Json{{"effect", "fatal"}, {"code", code}});
    throw ProgramAborted(code);
}

}  // namespace tockly::host::headless
