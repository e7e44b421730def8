#include "programs/tockly-sim/sim_driver.h"

#include "host/core/unit_design.h"
#include "host/core/unit_type_rules.h"
#include "image/form.h"
#include "image/json/gbk_text.h"
#include "programs/tockly-sim/unit_display.h"

namespace tockly::sim {

using host::UnitType;

Json display_json(const Json& value) {
    if (value.is_string()) return image::gbk_to_display(value.get<std::string>());
    if (value.is_array()) {
        Json out = Json::array();
        for (const auto& v : value) out.push_back(display_json(v));
        return out;
    }
    if (value.is_object()) {
        Json out = Json::object();
        for (const auto& [k, v] : value.items()) out[k] = display_json(v);
        return out;
    }
    return value;
}

Driver::Driver(std::vector<Command> commands, host::Runtime& runtime,
               host::headless::HeadlessWindowSystem& windows, host::headless::VirtualClock& clock,
               host::FileSystem& files, std::ostream& out)
    : commands_(std::move(commands)),
      runtime_(runtime),
      windows_(windows),
      clock_(clock),
      files_(files),
      out_(out) {}

void Driver::emit(std::int64_t at, const Json& fields) {
    Json line{{"t", format_local_time(at)}};
    for (const auto& [k, v] : fields.items()) line[k] = display_json(v);
    out_ << line.dump() << '\n';
    out_.flush();
}

void Driver::run() {
    while (step()) {
    }
}

bool Driver::step() {
    if (next_ >= commands_.size()) return false;
    execute(commands_[next_++]);
    return true;
}

void Driver::need_running(const Command& c) {
    if (!runtime_.started()) throw ScriptFailure(c, "the program has not been started");
    if (!runtime_.start_window_open()) throw ScriptFailure(c, "the program has ended");
}

host::WindowInstance& Driver::window_named(const Command& c, const std::string& name) {
    host::WindowInstance* w = nullptr;
    if (name == "main") {
        w = runtime_.start_window_instance();
    } else if (name == "popup") {
        w = runtime_.newest_other_than_start();
        if (w == nullptr) throw ScriptFailure(c, "no popup window is open");
    } else {
        throw ScriptFailure(c, "a window is named main or popup");
    }
    if (w == nullptr) throw ScriptFailure(c, "the window is not open");
    return *w;
}

std::pair<host::WindowInstance*, host::UnitState*> Driver::unit_named(const Command& c) {
    std::vector<host::WindowInstance*> order;
    if (auto* main = runtime_.start_window_instance()) order.push_back(main);
    auto open = runtime_.open_windows();
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (*it != runtime_.start_window_instance()) order.push_back(*it);
    }
    for (auto* w : order) {
        if (auto* u = w->find_by_name(c.name)) return {w, u};
    }
    throw ScriptFailure(c, "no open window has a unit of that name");
}

void Driver::execute(const Command& c) {
    using host::headless::Json;
    switch (c.op) {
        case Op::clock:
            windows_.set_clock(c.number);
            return;
        case Op::start:
            if (runtime_.started()) throw ScriptFailure(c, "the program has been started already");
            // The rest of the script runs inside the program's event loop.
            runtime_.run_entry_sequence();
            return;
        case Op::wait:
            if (runtime_.started() && runtime_.start_window_open()) {
                windows_.advance(c.number);
            } else {
                clock_.set(clock_.now() + c.number);
            }
            return;
        case Op::answer:
            windows_.answer_dialog(c.name, c.cancel ? std::nullopt : std::optional<std::string>(c.text));
            return;
        case Op::show:
            show(c);
            return;
        default:
            break;
    }
    need_running(c);
    switch (c.op) {
        case Op::click: {
            auto [w, u] = unit_named(c);
            if (!host::rules_of(u->type()).clickable)
                throw ScriptFailure(c, "only a button, radio button or check box can be clicked");
            runtime_.click(*w, *u);
            return;
        }
        case Op::choose: {
            auto [w, u] = unit_named(c);
            if (u->type() != UnitType::combo_box) throw ScriptFailure(c, "not a combo box");
            if (c.number < 0 || static_cast<std::size_t>(c.number) >= u->items.size())
                throw ScriptFailure(c, "the combo box has no item " + std::to_string(c.number));
            runtime_.choose(*w, *u, static_cast<std::int32_t>(c.number));
            return;
        }
        case Op::type: {
            auto [w, u] = unit_named(c);
            if (u->type() != UnitType::edit_box) throw ScriptFailure(c, "not an edit box");
            runtime_.type_text(*w, *u, c.text);
            return;
        }
        case Op::select: {
            auto [w, u] = unit_named(c);
            if (u->type() != UnitType::list_box) throw ScriptFailure(c, "not a list box");
            if (c.number >= static_cast<std::int64_t>(u->items.size()))
                throw ScriptFailure(c, "the list box has no row " + std::to_string(c.number));
            runtime_.select(*w, *u, static_cast<std::int32_t>(c.number));
            return;
        }
        case Op::dblclick: {
            auto [w, u] = unit_named(c);
            if (u->type() != UnitType::list_box) throw ScriptFailure(c, "not a list box");
            runtime_.double_click(*w, *u);
            return;
        }
        case Op::rclick:
            runtime_.right_click(window_named(c, c.name));
            return;
        case Op::menu:
            if (!runtime_.popped_menu()) throw ScriptFailure(c, "no menu is popped up");
            if (!runtime_.choose_menu_item(c.name))
                throw ScriptFailure(c, "the menu has no item of that caption");
            return;
        case Op::minimize:
            runtime_.minimize(window_named(c, "main"));
            return;
        case Op::tray:
            runtime_.tray_notify(window_named(c, "main"), static_cast<std::uint32_t>(c.number));
            return;
        default:
            return;
    }
}

void Driver::show(const Command& c) {
    if (c.name == "ini") {
        const std::string path = windows_.program_directory() + "\\data.ini";
        Json fields{{"show", "ini"}};
        // Read through the same files the program uses; lines end in CRLF.
        const host::FileRead read = files_.read_file(path);
        fields["exists"] = read.status == host::FileRead::Status::ok;
        Json lines = Json::array();
        std::string_view rest = read.bytes;
        while (!rest.empty()) {
            const std::size_t end = rest.find("\r\n");
            lines.push_back(std::string(rest.substr(0, end)));
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
        }
        fields["lines"] = lines;
        emit(clock_.now(), fields);
        return;
    }
    if (c.name == "windows") {
        Json list = Json::array();
        for (auto* w : runtime_.open_windows()) {
            Json item{{"window", windows_.window_label(*w)},
                      {"visible", w->self().visible},
                      {"placement", w->self().placement == 2 ? "minimised" : "normal"}};
            if (w->modal) item["modal"] = true;
            list.push_back(item);
        }
        emit(clock_.now(), Json{{"show", "windows"}, {"windows", list}});
        return;
    }
    need_running(c);
    if (c.name == "list") {
        auto* main = runtime_.start_window_instance();
        for (auto& u : main->units) {
            if (u.type() != UnitType::list_box) continue;
            Json rows = Json::array();
            for (const auto& r : u.items) rows.push_back(r);
            emit(clock_.now(),
                 Json{{"show", "list"}, {"name", u.name()}, {"selection", u.selection}, {"rows", rows}});
            return;
        }
        throw ScriptFailure(c, "the main window has no list box");
    }
    auto [w, u] = unit_named(c);
    Json fields{{"show", "unit"},
                {"window", windows_.window_label(*w)},
                {"name", u->name()},
                {"type", std::string(image::unit_type_name(u->type()))}};
    add_unit_fields(fields, *u);
    emit(clock_.now(), fields);
}

}  // namespace tockly::sim
