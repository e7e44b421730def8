#include "host/core/runtime.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "host/core/arg_access.h"
#include "host/core/second_ticks.h"
#include "host/core/service_commands.h"
#include "host/core/text_scan.h"
#include "host/core/unit_type_rules.h"
#include "host/host_constants.h"
#include "image/form.h"
#include "image/hex_text.h"
#include "image/text_routines.h"

namespace tockly::host {

namespace {

using image::hex;

constexpr std::int32_t kCreated = image::event::created;
constexpr std::int32_t kDestroying = image::event::destroying;
constexpr std::int32_t kPlacement = image::event::placement;
constexpr std::int32_t kTrayNotify = image::event::tray_notify;
constexpr std::int32_t kClicked = image::event::clicked;
constexpr std::int32_t kDoubleClicked = image::event::double_clicked;
constexpr std::int32_t kRightButton = image::event::right_button;

}  // namespace

Runtime::Runtime(const ProgramDesign& design, std::span<const HandlerEntry> handlers, ProgramStart start,
                 WindowSystem& windows, Clock& clock, TextAllocator& memory, IniStore& ini)
    : design_(design),
      handlers_(handlers),
      program_(std::move(start)),
      ws_(windows),
      tick_clock_(clock),
      memory_(memory),
      ini_(ini),
      globals_((program_.var_size + 3) / 4, nullptr) {}

Runtime::~Runtime() = default;

// --- Entry sequence ------------------------------------------------------------------------------

void Runtime::start() {
    if (started_) return;
    started_ = true;
    const WindowDesign* start = design_.find(program_.start_window);
    if (start == nullptr) {
        bad_call("the start-up window " + hex(program_.start_window) + " is not in the form");
        start_window_closed_ = true;
        return;
    }
    open_window(*start, false);
}

bool Runtime::start_window_open() const {
    return started_ && !start_window_closed_;
}

void Runtime::run_until_end() {
    ws_.run_loop([this] { return !start_window_open(); });
}

void Runtime::release_globals() {
    if (program_.cleanup_routine) {
        program_.cleanup_routine();
        return;
    }
    for (std::uint32_t offset : program_.cleanup_releases) {
        void** slot = global_slot(offset);
        if (slot != nullptr && *slot != nullptr) {
            release(*slot);
            *slot = nullptr;
        }
    }
}

void Runtime::finish() {
    if (finished_) return;
    finished_ = true;
    // The program is over: whatever is still open goes without further events.
    while (!open_.empty()) destroy_now(*open_.back());
    release_globals();
    ini_.flush();  // a save still being written is finished before the process ends
    ws_.program_ended(0);
}

bool Runtime::run_entry_sequence() {
    start();
    run_until_end();
    if (start_window_open()) return false;
    finish();
    return true;
}

// --- Windows -------------------------------------------------------------------------------------

std::vector<WindowInstance*> Runtime::open_windows() const {
    std::vector<WindowInstance*> out;
    for (const auto& w : open_) out.push_back(w.get());
    return out;
}

WindowInstance* Runtime::start_window_instance() const {
    for (const auto& w : open_) {
        if (w->id() == program_.start_window) return w.get();
    }
    return nullptr;
}

WindowInstance* Runtime::newest(std::uint32_t window_id) const {
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        if ((*it)->id() == window_id) return it->get();
    }
    return nullptr;
}

WindowInstance* Runtime::newest_other_than_start() const {
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        if ((*it)->id() != program_.start_window) return it->get();
    }
    return nullptr;
}

std::uint64_t Runtime::open_window(const WindowDesign& design, bool modal) {
    open_.push_back(std::make_unique<WindowInstance>(next_serial_++, design, modal));
    WindowInstance& window = *open_.back();
    const std::uint64_t serial = window.serial;
    ws_.create_window(window);
    start_timers(window);
    deliver(window, window.self(), kCreated);
    // The creation handler may have closed it again.
    if (WindowInstance* still = find_serial(serial)) ws_.show_window(*still);
    return serial;
}

WindowInstance* Runtime::find_serial(std::uint64_t serial) const {
    for (const auto& w : open_) {
        if (w->serial == serial && !w->destroyed) return w.get();
    }
    return nullptr;
}

void Runtime::start_timers(WindowInstance& window) {
    for (auto& unit : window.units) {
        if (unit.type() == UnitType::timer && unit.period_ms != 0) start_timer(window, unit);
    }
}

void Runtime::start_timer(WindowInstance& window, UnitState& timer) {
    const bool second = timer.period_ms == kSecondTimerPeriod;
    // A clock's timer answers for the seconds after the one it was started in: a first tick that
    // comes late still catches up those it jumped over.
    if (second) timer.last_tick_second = second_of_ms(tick_clock_.real().now_local_ms());
    ws_.start_timer({window.serial, timer.id()}, timer.period_ms, second);
}

void Runtime::destroy_now(WindowInstance& window) {
    if (window.destroyed) return;
    window.destroyed = true;
    for (auto& unit : window.units) {
        if (unit.type() == UnitType::timer) ws_.stop_timer({window.serial, unit.id()});
    }
    if (popped_menu_ && popped_menu_->window_serial == window.serial) popped_menu_.reset();
    ws_.destroy_window(window);
    if (window.id() == program_.start_window) start_window_closed_ = true;
    auto it = std::find_if(open_.begin(), open_.end(), [&](const auto& w) { return w.get() == &window; });
    if (it != open_.end()) {
        graveyard_.push_back(std::move(*it));
        open_.erase(it);
    }
    if (context_.empty()) graveyard_.clear();
}

void Runtime::close_window(WindowInstance& window) {
    if (window.destroyed) return;
    // Closing the start-up window ends the program: every other window goes with it, newest
    // first, each told before it goes.
    if (window.id() == program_.start_window) {
        std::vector<WindowInstance*> others;
        for (const auto& w : open_) {
            if (w.get() != &window) others.push_back(w.get());
        }
        for (auto it = others.rbegin(); it != others.rend(); ++it) {
            // A handler on the way may have closed it already.
            if (std::none_of(open_.begin(), open_.end(), [&](const auto& w) { return w.get() == *it; }))
                continue;
            deliver(**it, (*it)->self(), kDestroying);
            destroy_now(**it);
        }
    }
    deliver(window, window.self(), kDestroying);
    destroy_now(window);
}

// --- Events ----------------------------------------------------------------------------------------

void Runtime::run_handler(WindowInstance& window, std::uint32_t handler,
                          std::span<const std::uint32_t> args) {
    if (handler >= handlers_.size() || handlers_[handler].fn == nullptr) {
        bad_call("no handler " + std::to_string(handler) + " in the handler table");
        return;
    }
    // The handler takes exactly its event's words; missing ones read as 0.
    std::vector<std::uint32_t> words(std::max<std::size_t>(handlers_[handler].arg_count, 1), 0);
    std::copy_n(args.begin(), std::min<std::size_t>(args.size(), handlers_[handler].arg_count),
                words.begin());
    context_.push_back(&window);
    struct Pop {
        Runtime& self;
        ~Pop() {
            self.context_.pop_back();
            if (self.context_.empty()) self.graveyard_.clear();
        }
    } pop{*this};
    const HandlerEntry& entry = handlers_[handler];
    if (hook_ != nullptr) {
        hook_->run(entry, *this, words.data());
    } else {
        entry.fn(*this, words.data());
    }
}

SoundOwner Runtime::sound_owner() const {
    return context_.empty() ? 0 : context_.back()->serial;
}

void Runtime::deliver(WindowInstance& window, UnitState& unit, std::int32_t event,
                      std::span<const std::uint32_t> args) {
    if (window.destroyed || finished_) return;
    auto handler =
        unit.type() == UnitType::menu_item ? unit.design->menu_handler : unit.design->handler(event);
    if (!handler) return;
    run_handler(window, *handler, args);
}

void Runtime::timer_fired(TimerKey key) {
    WindowInstance* window = find_serial(key.window_serial);
    if (window == nullptr) return;
    UnitState* unit = window->find(key.unit_id);
    if (unit == nullptr || unit->period_ms == 0) return;
    if (unit->period_ms != kSecondTimerPeriod || second_ticks_ == SecondTicks::every_arrival) {
        deliver(*window, *unit, image::event::tick);
        return;
    }
    // The real clock decides, also while an outer tick stands for a second already past.
    const std::int64_t now_ms = tick_clock_.real().now_local_ms();
    const std::int64_t now = second_of_ms(now_ms);
    const SecondRange range = seconds_to_handle(unit->last_tick_second, now);
    if (range.empty()) return;
    // The seconds before this one happened while the thread was busy: each is handled as if its
    // tick had come at its boundary. The handler may close the window meanwhile, and a nested
    // tick may have handled some already.
    for (std::int64_t second = range.first; second <= range.last; ++second) {
        window = find_serial(key.window_serial);
        unit = window != nullptr ? window->find(key.unit_id) : nullptr;
        if (unit == nullptr || unit->period_ms != kSecondTimerPeriod) return;
        if (unit->last_tick_second != kNoSecond && unit->last_tick_second >= second &&
            unit->last_tick_second - second <= kCatchUpSeconds)
            continue;
        unit->last_tick_second = second;
        const TickClock::Pin pin(
            tick_clock_, second == now ? std::nullopt : std::optional<std::int64_t>(second * kMsPerSecond));
        deliver(*window, *unit, image::event::tick);
    }
}

bool Runtime::accepts_input(WindowInstance& window, std::string_view what, std::string_view target) {
    if (window.destroyed || finished_) {
        ws_.input_refused(what, target);
        return false;
    }
    // A modal window takes all input from the windows opened before it.
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        if (it->get() == &window) return true;
        if ((*it)->modal) {
            ws_.input_refused(what, target);
            return false;
        }
    }
    return true;
}

bool Runtime::click(WindowInstance& window, UnitState& unit) {
    const UnitType t = unit.type();
    if (!rules_of(t).clickable) return false;
    if (!accepts_input(window, "click", unit.name())) return false;
    if (unit.disabled || !unit.visible) {
        ws_.input_refused("click", unit.name());
        return false;
    }
    popped_menu_.reset();
    if (t == UnitType::radio_button) {
        for (UnitState* other : window.radio_group(unit)) {
            const bool on = other == &unit;
            if (other->checked != on) {
                other->checked = on;
                changed(window, *other, Change::checked);
            }
        }
    } else if (t == UnitType::check_box) {
        unit.checked = !unit.checked;
        changed(window, unit, Change::checked);
    }
    deliver(window, unit, kClicked);
    return true;
}

bool Runtime::choose(WindowInstance& window, UnitState& combo, std::int32_t index) {
    if (combo.type() != UnitType::combo_box) return false;
    if (!accepts_input(window, "choose", combo.name())) return false;
    if (combo.disabled || index < 0 || static_cast<std::size_t>(index) >= combo.items.size()) {
        ws_.input_refused("choose", combo.name());
        return false;
    }
    popped_menu_.reset();
    combo.selection = index;
    changed(window, combo, Change::selection);
    deliver(window, combo, image::event::item_changed);
    return true;
}

bool Runtime::type_text(WindowInstance& window, UnitState& edit, std::string text) {
    if (edit.type() != UnitType::edit_box) return false;
    if (!accepts_input(window, "type", edit.name())) return false;
    if (edit.disabled || !edit.visible) {
        ws_.input_refused("type", edit.name());
        return false;
    }
    popped_menu_.reset();
    edit.text = std::move(text);
    changed(window, edit, Change::text);
    deliver(window, edit, image::event::content_changed);
    return true;
}

bool Runtime::select(WindowInstance& window, UnitState& list, std::int32_t index) {
    if (list.type() != UnitType::list_box) return false;
    if (!accepts_input(window, "select", list.name())) return false;
    if (index < -1 || index >= static_cast<std::int64_t>(list.items.size())) {
        ws_.input_refused("select", list.name());
        return false;
    }
    popped_menu_.reset();
    list.selection = index;
    changed(window, list, Change::selection);
    return true;
}

bool Runtime::double_click(WindowInstance& window, UnitState& unit) {
    if (!accepts_input(window, "dblclick", unit.name())) return false;
    popped_menu_.reset();
    const std::uint32_t args[3] = {0, 0, 0};
    deliver(window, unit, kDoubleClicked, args);
    return true;
}

bool Runtime::right_click(WindowInstance& window) {
    if (!accepts_input(window, "rclick", window.self().name())) return false;
    popped_menu_.reset();
    const std::uint32_t args[3] = {0, 0, 0};
    deliver(window, window.self(), kRightButton, args);
    return true;
}

bool Runtime::minimize(WindowInstance& window) {
    if (!accepts_input(window, "minimize", window.self().name())) return false;
    popped_menu_.reset();
    UnitState& self = window.self();
    if (self.placement != placement::minimised) {
        self.placement = placement::minimised;
        changed(window, self, Change::placement);
    }
    deliver(window, self, kPlacement);
    return true;
}

void Runtime::restored(WindowInstance& window) {
    window.self().placement = placement::normal;
}

bool Runtime::tray_notify(WindowInstance& window, std::uint32_t kind) {
    if (!accepts_input(window, "tray", window.self().name())) return false;
    popped_menu_.reset();
    const std::uint32_t args[1] = {kind};
    deliver(window, window.self(), kTrayNotify, args);
    return true;
}

bool Runtime::choose_menu_item(std::uint32_t item_id) {
    if (!popped_menu_) return false;
    const PoppedMenu menu = *popped_menu_;
    popped_menu_.reset();
    WindowInstance* window = find_serial(menu.window_serial);
    if (window == nullptr) return false;
    for (UnitState* item : window->menu_items(menu.menu_id)) {
        if (item->id() == item_id) {
            deliver(*window, *item, kClicked);
            return true;
        }
    }
    return false;
}

bool Runtime::choose_menu_item(std::string_view caption) {
    WindowInstance* window = popped_menu_ ? find_serial(popped_menu_->window_serial) : nullptr;
    if (window != nullptr) {
        for (UnitState* item : window->menu_items(popped_menu_->menu_id)) {
            if (item->text == caption) return choose_menu_item(item->id());
        }
    }
    popped_menu_.reset();
    return false;
}

void Runtime::changed(WindowInstance& window, UnitState& unit, Change what) {
    ws_.unit_changed(window, unit, what);
}

// --- Unit addressing -----------------------------------------------------------------------------

std::string Runtime::CallName::text() const {
    if (fixed_ != nullptr) return fixed_;
    const char* name = command_name(command_);
    return name != nullptr ? std::string(name) : hex(command_);
}

Runtime::Target Runtime::resolve(std::uint32_t window_id, std::uint32_t unit_id, CallName what) {
    // The window whose event is running comes first: a popup's handlers address their own
    // opening even when several are open.
    WindowInstance* window = nullptr;
    for (auto it = context_.rbegin(); it != context_.rend() && window == nullptr; ++it) {
        if ((*it)->id() == window_id && !(*it)->destroyed) window = *it;
    }
    if (window == nullptr) window = newest(window_id);
    if (window == nullptr) {
        bad_call(what.text() + ": window " + hex(window_id) + " is not open");
        return {};
    }
    UnitState* unit = window->find(unit_id);
    if (unit == nullptr) {
        bad_call(what.text() + ": no unit " + hex(unit_id) + " in window " + hex(window_id));
        return {};
    }
    return {window, unit};
}

Runtime::Target Runtime::unit_arg_target(std::span<const ArgRecord> args, std::size_t i, CallName what) {
    auto ref = arg_unit(args, i);
    if (!ref) {
        bad_call(what.text() + ": argument " + std::to_string(i + 1) + " is not a unit");
        return {};
    }
    Target t = resolve(ref->window, ref->unit, what);
    if (t.unit == nullptr) return {};
    if (static_cast<std::uint32_t>(t.unit->type()) != ref->type_number) {
        bad_call(what.text() + ": unit " + hex(ref->unit) + " is not of type " +
                 std::to_string(ref->type_number));
        return {};
    }
    return t;
}

// --- Host interface ------------------------------------------------------------------------------

void* Runtime::allocate(std::uint32_t size) {
    return memory_.allocate(size);
}
void Runtime::release(void* block) {
    memory_.release(block);
}
void Runtime::fatal(std::uint32_t code) {
    ini_.flush();
    ws_.fatal_error(code);
    std::abort();  // a window system that returns from a fatal error ends here
}

void** Runtime::global_slot(std::uint32_t var_offset) {
    if (var_offset % 4 != 0 || var_offset / 4 >= globals_.size()) {
        bad_call("global at " + hex(var_offset) + " is outside the var data");
        return nullptr;
    }
    if (program_.globals_storage != nullptr) return &program_.globals_storage[var_offset / 4];
    return &globals_[var_offset / 4];
}

char* Runtime::make_text(std::string_view bytes) {
    return new_text(memory_, bytes);
}

std::uint64_t Runtime::text_result(std::string_view bytes) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(make_text(bytes)));
}

void Runtime::bad_call(std::string what) {
    ws_.host_error(what);
}

std::uint64_t Runtime::read_property(std::uint32_t window_id, std::uint32_t unit_id, std::uint32_t index,
                                     std::int32_t element) {
    Target t = resolve(window_id, unit_id, "read property");
    if (t.unit == nullptr) return 0;
    auto value = read_unit_property(*t.unit, index, element);
    if (!value) {
        bad_call("read property: unit " + hex(unit_id) + " has no property " + hex(index));
        return 0;
    }
    if (const auto* text = std::get_if<std::string_view>(&*value)) return text_result(*text);
    return static_cast<std::uint64_t>(std::get<std::int64_t>(*value)) & 0xFFFFFFFFu;
}

void Runtime::write_property(std::uint32_t window_id, std::uint32_t unit_id, std::uint32_t index,
                             std::int32_t element, std::uintptr_t low, std::uint32_t high) {
    (void)high;
    Target t = resolve(window_id, unit_id, "write property");
    if (t.unit == nullptr) return;
    auto kind = property_kind(t.unit->type(), index, element);
    if (!kind) {
        bad_call("write property: unit " + hex(unit_id) + " has no property " + hex(index));
        return;
    }
    std::string_view text;
    std::int64_t number = 0;
    if (*kind == PropertyKind::text) {
        const char* p = reinterpret_cast<const char*>(low);
        if (p != nullptr) text = std::string_view(p, image::text_length(p));
    } else {
        number = static_cast<std::int32_t>(static_cast<std::uint32_t>(low));
    }
    auto change = write_unit_property(*t.unit, index, element, number, std::move(text));
    if (!change) return;
    changed(*t.window, *t.unit, *change);
    if (*change == Change::period) {
        const TimerKey key{t.window->serial, t.unit->id()};
        if (t.unit->period_ms == 0) {
            ws_.stop_timer(key);
        } else {
            start_timer(*t.window, *t.unit);
        }
    }
}

std::uint64_t Runtime::call_library(std::uint32_t library, std::uint32_t command,
                                    std::span<const ArgRecord> args) {
    (void)args;
    // Library 1 is the interface library; its command 0 turns on the system's visual styles.
    if (library == 1 && command == 0) {
        ws_.enable_visual_styles();
        return 0;
    }
    bad_call("library " + std::to_string(library) + " has no command " + hex(command));
    return 0;
}

std::uint64_t Runtime::call_core(std::uint32_t command, std::span<const ArgRecord> args) {
    if (command_family(command) == CommandFamily::unit) return unit_command(command, args);
    CoreServices services{memory_, tick_clock_, ini_};
    if (auto r = call_service_command(services, command, args)) {
        // A write that a writer thread makes later is told when it is made (save_finished);
        // one refused at once is told now.
        if (command == command::ini_write && arg_fits(args, 0, type_word::text) &&
            (*r == 0 || !ini_.writes_in_background()))
            save_finished(arg_text(args, 0), *r != 0);
        return *r;
    }
    return unit_command(command, args);  // reports it as a command no part knows
}

void Runtime::save_finished(std::string_view path, bool stored) {
    if (auto message = save_notice_.after_write(path, stored)) ws_.message_box(*message, 0);
}

}  // namespace tockly::host
