#include "tests/host_contract/contract_program.h"

#include <array>
#include <map>

#include "image/const_pool.h"
#include "image/container.h"
#include "image/form_writer.h"
#include "image/handler_stub.h"
#include "image/relocation.h"
#include "image/routine_emitter.h"

namespace tockly::contract {

namespace {

using namespace image;

std::array<std::function<void(host::Host&, const std::uint32_t*)>, handler_count> g_actions;
std::vector<std::string> g_log;

constexpr const char* kNames[handler_count] = {
    "main_created",     "main_placement", "main_tray",     "main_rclick",   "tick",         "button_clicked",
    "edit_changed",     "combo_changed",  "list_dblclick", "menu_about",    "menu_exit",    "popup_created",
    "popup_destroying", "popup_rclick",   "popup_tick",    "radio_clicked", "check_clicked"};

constexpr std::uint32_t arg_count(std::uint32_t h) {
    return h == main_tray ? 1 : (h == main_rclick || h == list_dblclick || h == popup_rclick) ? 3 : 0;
}

template <std::uint32_t H>
void trampoline(host::Host& host, const std::uint32_t* args) {
    std::string entry = kNames[H];
    if (arg_count(H) == 1) entry += "(" + std::to_string(args[0]) + ")";
    g_log.push_back(entry);
    if (g_actions[H]) g_actions[H](host, args);
}

template <std::uint32_t... H>
constexpr std::array<host::HandlerEntry, handler_count> make_table(
    std::integer_sequence<std::uint32_t, H...>) {
    return {host::HandlerEntry{kNames[H], arg_count(H), &trampoline<H>}...};
}

const std::array<host::HandlerEntry, handler_count> kTable =
    make_table(std::make_integer_sequence<std::uint32_t, handler_count>{});

FormUnit make_unit(std::uint32_t id, UnitType type, std::string name, Place place, PropertyBlob blob,
                   std::vector<EventBinding> bindings = {}, bool visible = true, std::uint32_t parent = 0) {
    UnitRecord r;
    r.type = type;
    r.name = std::move(name);
    r.place = place;
    r.parent = parent;
    r.flags = (visible ? form_format::flag_visible : 0) | form_format::flag_tab_stop;
    r.bindings = std::move(bindings);
    r.blob = std::move(blob);
    return FormUnit{id, r};
}

FormUnit make_menu(std::uint32_t id, std::string caption, std::uint32_t level, std::uint32_t state,
                   std::int32_t handler) {
    MenuItemRecord m;
    m.caption = std::move(caption);
    m.level = level;
    m.state = state;
    m.handler = handler;
    return FormUnit{id, m};
}

}  // namespace

std::span<const host::HandlerEntry> handler_table() {
    return kTable;
}
std::vector<std::string>& handler_log() {
    return g_log;
}
void on(Handler h, std::function<void(host::Host&, const std::uint32_t*)> action) {
    g_actions[h] = std::move(action);
}
void reset_program() {
    for (auto& a : g_actions) a = nullptr;
    g_log.clear();
}

host::ArgRecord unit(const UnitRef& u) {
    return {u.window, u.id, host::type_word::unit(u.type)};
}

FormData contract_form() {
    FormData form;
    FormWindow main;
    main.id = kMain;
    main.class_id = 0x19010004;
    WindowBlob main_blob;
    main_blob.caption = "Contract";
    main_blob.background = Colour::rgb(230, 255, 251);
    main.units.push_back(make_unit(kMainSelf.id, UnitType::window, "", {50, 50, 383, 513}, main_blob,
                                   {{event::created, main_created},
                                    {event::tray_notify, main_tray},
                                    {event::placement, main_placement},
                                    {event::right_button, main_rclick}}));
    LabelBlob label;
    label.caption = "00:";
    label.text_colour = Colour::rgb(198, 0, 5);
    label.font = LogFont::make("SimSun", -56, 700);
    main.units.push_back(make_unit(kLabel.id, UnitType::label, "label1", {71, 10, 88, 56}, label));
    EditBoxBlob edit;
    edit.content = "hello";
    main.units.push_back(make_unit(kEdit.id, UnitType::edit_box, "edit1", {103, 234, 256, 20}, edit,
                                   {{event::content_changed, edit_changed}}));
    ButtonBlob button;
    button.caption = "Add";
    main.units.push_back(make_unit(kButton.id, UnitType::button, "button1", {103, 333, 81, 22}, button,
                                   {{event::clicked, button_clicked}}));
    ButtonBlob group_button;
    group_button.caption = "Ring";
    main.units.push_back(make_unit(kGroupButton.id, UnitType::button, "button3", {12, 17, 72, 22},
                                   group_button, {}, true, kGroup.id));
    CheckBoxBlob check;
    check.caption = "chime";
    check.checked = 1;
    main.units.push_back(make_unit(kCheck.id, UnitType::check_box, "check1", {288, 333, 80, 22}, check,
                                   {{event::clicked, check_clicked}}));
    RadioButtonBlob radio1;
    radio1.caption = "one";
    radio1.checked = 1;
    main.units.push_back(make_unit(kRadio1.id, UnitType::radio_button, "radio1", {21, 233, 80, 24}, radio1,
                                   {{event::clicked, radio_clicked}}));
    RadioButtonBlob radio2;
    radio2.caption = "two";
    main.units.push_back(make_unit(kRadio2.id, UnitType::radio_button, "radio2", {21, 265, 80, 24}, radio2));
    ComboBoxBlob combo;
    combo.items = {"01", "02", "00"};
    main.units.push_back(make_unit(kCombo.id, UnitType::combo_box, "combo1", {95, 16, 47, 20}, combo,
                                   {{event::item_changed, combo_changed}}));
    main.units.push_back(make_unit(kList.id, UnitType::list_box, "list1", {10, 376, 358, 97}, ListBoxBlob{},
                                   {{event::double_clicked, list_dblclick}}));
    CommonDialogBlob dialog;
    dialog.filter = "*.mp3|*.mp3";
    dialog.initial_dir = "c:\\";
    dialog.default_ext = "*.mp3";
    main.units.push_back(
        make_unit(kDialog.id, UnitType::common_dialog, "dialog1", {0, 32, 32, 24}, dialog, {}, false));
    main.units.push_back(make_unit(kTimer.id, UnitType::timer, "clock1", {2, 2, 32, 32}, TimerBlob{1000},
                                   {{event::tick, tick}}, false));
    main.units.push_back(make_menu(kMenuTop.id, "System", 0, 1, -1));
    main.units.push_back(make_menu(kMenuAbout.id, "About", 1, 0, menu_about));
    main.units.push_back(make_menu(kMenuExit.id, "Exit", 1, 0, menu_exit));
    GroupBoxBlob group;
    group.caption = "Choose";
    FormUnit group_unit = make_unit(kGroup.id, UnitType::group_box, "group3", {10, 185, 358, 142}, group);
    group_unit.unit()->children = {kGroupButton.id};
    main.units.push_back(group_unit);
    form.windows.push_back(main);

    FormWindow popup;
    popup.id = kPopup;
    popup.class_id = 0x1901007C;
    WindowBlob popup_blob;
    popup_blob.frame_style = 0;
    popup.units.push_back(make_unit(kPopupSelf.id, UnitType::window, "", {50, 50, 344, 40}, popup_blob,
                                    {{event::created, popup_created},
                                     {event::destroying, popup_destroying},
                                     {event::right_button, popup_rclick}}));
    popup.units.push_back(make_unit(kPopupTimer.id, UnitType::timer, "clock2", {16, 88, 32, 32}, TimerBlob{0},
                                    {{event::tick, popup_tick}}, false));
    LabelBlob popup_label;
    popup_label.caption = "design text";
    popup_label.text_colour = Colour::rgb(0, 255, 255);
    popup_label.background = Colour::rgb(0, 0, 0);
    popup_label.font = LogFont::make("SimHei", -29, 700);
    popup.units.push_back(
        make_unit(kPopupLabel.id, UnitType::label, "popup_label", {0, -1, 344, 42}, popup_label));
    form.windows.push_back(popup);
    return form;
}

std::vector<std::uint8_t> make_image() {
    return make_image(contract_form());
}

std::vector<std::uint8_t> make_image(const FormData& form_in) {
    RoutineEmitter code;
    std::map<std::uint32_t, std::uint32_t> stub_at;
    for (std::uint32_t h = 0; h < handler_count; ++h) {
        std::vector<std::uint8_t> stub;
        emit_handler_stub(stub, HandlerStub{h, arg_count(h)});
        stub_at[h] = code.append(stub);
    }
    const std::uint32_t init = code.emit_init_routine();
    const std::uint32_t cleanup = code.emit_cleanup_routine(0);
    const std::uint32_t entry = code.emit_entry_routine(init, cleanup, 3, kMain);
    EmittedCode emitted = code.finish();

    FormData form = form_in;
    for (auto& w : form.windows) {
        for (auto& u : w.units) {
            if (auto* r = u.unit()) {
                for (auto& b : r->bindings)
                    b.handler = stub_at.count(b.handler) ? stub_at[b.handler] : b.handler;
            } else if (auto* m = u.menu_item(); m != nullptr && m->handler >= 0) {
                m->handler = static_cast<std::int32_t>(stub_at[static_cast<std::uint32_t>(m->handler)]);
            }
        }
    }

    ConstPoolWriter pool;
    pool.add_text("");
    Image img;
    img.libraries.push_back({"corlb", "5c1e7a90b43f11d2a8e0c4d7f3b9e218", "5", "0", "core"});
    img.libraries.push_back({"thmlb", "A3C07D21E9F54b6c8D12F0B6E4A7C593", "2", "0", "styles"});
    auto segment = [](std::string name, std::uint32_t flags, std::optional<std::vector<std::uint8_t>> data,
                      std::uint32_t memory) {
        Segment s;
        s.name = std::move(name);
        s.flags = flags;
        s.memory_size = memory;
        s.data = std::move(data);
        return s;
    };
    img.segments.push_back(
        segment("const", 0x01, pool.bytes(), static_cast<std::uint32_t>(pool.bytes().size())));
    const auto form_bytes = write_form(form);
    img.segments.push_back(segment("form", 0x01, form_bytes, static_cast<std::uint32_t>(form_bytes.size())));
    img.segments.push_back(segment("help", 0x01, std::vector<std::uint8_t>(52, 0), 52));
    Segment code_seg = segment("code", 0x05, emitted.bytes, static_cast<std::uint32_t>(emitted.bytes.size()));
    code_seg.relocations = emitted.relocations;
    img.segments.push_back(code_seg);
    img.segments.push_back(segment("var", 0x13, std::nullopt, 4));
    Reloc1Lists lists;
    for (std::size_t i = 0; i < reloc1_list_count; ++i) lists.lists[i] = emitted.reloc1[i];
    const auto reloc_bytes = write_reloc1(lists);
    img.segments.push_back(
        segment("@reloc1", 0x01, reloc_bytes, static_cast<std::uint32_t>(reloc_bytes.size())));
    img.header.id_counter = 0x1018C;
    if (!finalize_layout(img, entry)) return {};
    auto bytes = write_image(img);
    if (!bytes) return {};
    return std::move(bytes.value());
}

}  // namespace tockly::contract
