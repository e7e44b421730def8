#include "tests/form/form_fixture.h"

#include <cstring>

#include "image/byte_writer.h"

namespace tockly::image::form_test {

namespace {

FormUnit unit(std::uint32_t id, UnitType type, std::string name, Place place, std::uint32_t flags,
              PropertyBlob blob) {
    UnitRecord r;
    r.type = type;
    r.name = std::move(name);
    r.place = place;
    r.flags = flags;
    r.blob = std::move(blob);
    return FormUnit{id, r};
}

FormUnit menu(std::uint32_t id, std::uint32_t level, std::uint32_t state, std::string caption,
              std::int32_t handler) {
    MenuItemRecord m;
    m.level = level;
    m.state = state;
    m.caption = std::move(caption);
    m.handler = handler;
    return FormUnit{id, m};
}

}  // namespace

FormData small_form() {
    FormWindow main;
    main.id = kMainId;
    main.header_word = 0x00B8B1A0;
    main.record_word = 0x00B99120;
    main.class_id = 0x19010004;

    WindowBlob wb;
    wb.background = Colour::rgb(230, 255, 251);
    wb.caption = "Tockly —— 测试";
    FormUnit self = unit(0x06010000, UnitType::window, "", {50, 50, 383, 513}, 1, wb);
    self.unit()->bindings = {
        {event::created, 0x100}, {event::right_button, 0x140}, {event::tray_notify, 0x120}};
    main.units.push_back(self);

    LabelBlob clock;
    clock.font = LogFont::make("宋体", -56, 700);
    clock.text_colour = Colour::rgb(198, 0, 5);
    clock.caption = "00:";
    main.units.push_back(unit(0x16010006, UnitType::label, "标签1", {71, 10, 88, 56}, 1, clock));

    // A face followed by left-over bytes after its terminating zero.
    EditBoxBlob hidden;
    LogFont f = LogFont::make("宋体", -12, 400);
    std::memcpy(f.face_bytes.data() + 5, "\xB0\xB4left", 6);
    hidden.font = f;
    hidden.text_colour = Colour::rgb(255, 0, 0);
    hidden.background = Colour::rgb(0, 0, 0);
    main.units.push_back(unit(kEditAId, UnitType::edit_box, "编辑框a", {264, 144, 32, 24}, 0, hidden));

    FormUnit empty = unit(kEmptyEditId, UnitType::edit_box, "编辑框4", {94, 17, 80, 20}, 5, EmptyBlob{});
    empty.unit()->parent = 0x16010046;
    empty.unit()->bindings = {{event::content_changed, 0x200}};
    main.units.push_back(empty);

    main.units.push_back(menu(kMenuTopId, 0, 1, "系统", -1));
    main.units.push_back(menu(kMenuAboutId, 1, 0, "关于", 0x300));
    main.units.push_back(menu(0x260100F1, 1, 0, "退出", 0x320));

    ButtonBlob button;
    button.caption = "选择铃声";
    FormUnit b = unit(kButtonId, UnitType::button, "按钮3", {12, 17, 72, 22}, 5, button);
    b.unit()->parent = kGroupId;
    b.unit()->bindings = {{event::clicked, 0x400}};
    main.units.push_back(b);

    CheckBoxBlob check;
    check.checked = 1;
    check.caption = "取消报时";
    main.units.push_back(unit(0x160100C3, UnitType::check_box, "选择框1", {288, 333, 80, 22}, 5, check));

    RadioButtonBlob radio;
    radio.checked = 1;
    radio.background = Colour::rgb(230, 255, 251);
    radio.caption = "温馨提示：";
    main.units.push_back(unit(0x1601003F, UnitType::radio_button, "单选框1", {21, 233, 80, 24}, 5, radio));

    ComboBoxBlob combo;
    combo.font = LogFont::make("宋体", -14, 700);
    combo.items = {"01", "02", "00"};
    FormUnit c = unit(kComboId, UnitType::combo_box, "组合框1", {95, 16, 47, 20}, 1, combo);
    c.unit()->bindings = {{event::item_changed, 0x500}};
    main.units.push_back(c);

    ListBoxBlob list;
    list.font = LogFont::make("宋体", -12, 400);
    FormUnit l = unit(kListId, UnitType::list_box, "列表框1", {10, 376, 358, 97}, 5, list);
    l.unit()->bindings = {{event::double_clicked, 0x600}};
    main.units.push_back(l);

    CommonDialogBlob dialog;
    dialog.filter = "*.mp3|*.mp3";
    dialog.initial_dir = "c:\\";
    dialog.default_ext = "*.mp3";
    main.units.push_back(
        unit(0x16010078, UnitType::common_dialog, "通用对话框1", {0, 32, 32, 24}, 0, dialog));

    main.units.push_back(unit(0x16010007, UnitType::timer, "时钟1", {2, 2, 32, 32}, 0, TimerBlob{1000}));

    GroupBoxBlob group;
    group.caption_colour = Colour::rgb(0, 0, 81);
    group.background = Colour::rgb(230, 255, 251);
    group.caption = "选择功能";
    FormUnit g = unit(kGroupId, UnitType::group_box, "分组框3", {10, 185, 358, 142}, 1, group);
    g.unit()->children = {kButtonId};
    main.units.push_back(g);

    main.units.push_back(
        unit(0x16010076, UnitType::shape_box, "外形框1", {10, 359, 358, 17}, 1, EmptyBlob{}));

    FormWindow popup;
    popup.id = kPopupId;
    popup.header_word = 0x00B8C750;
    popup.record_word = 0x00B9CEFC;
    popup.class_id = 0x1901007C;
    WindowBlob pb;
    pb.frame_style = 0;
    pb.reserved[1] = 0;
    pb.reserved[11] = 1;
    pb.reserved[12] = 2;
    pb.reserved[13] = 1;
    FormUnit pself = unit(0x0601007A, UnitType::window, "", {50, 50, 344, 40}, 1, pb);
    pself.unit()->bindings = {{event::created, 0x700}, {event::destroying, 0x720}};
    popup.units.push_back(pself);
    popup.units.push_back(unit(0x160100DF, UnitType::timer, "时钟2", {16, 88, 32, 32}, 0, TimerBlob{0}));

    return FormData{{main, popup}};
}

FormData form_with_odd_values() {
    FormData form = small_form();
    auto& main = form.windows[0];
    main.name = "w";
    main.comment = "c";
    UnitRecord& self = *main.units[0].unit();
    self.zero_a[3] = 0x11;
    self.comment = "note";
    self.zero_b = 1;
    self.zero_c = 2;
    self.reserved_data = "abcdefg";
    self.reserved_text = "x";
    self.zero_d = 3;
    self.zero_e = -4;
    self.zero_f[19] = 0x22;
    std::get<WindowBlob>(self.blob).reserved[18] = 0xDEADBEEF;
    std::get<WindowBlob>(self.blob).tail = 7;
    MenuItemRecord& top = *main.units[4].menu_item();
    top.zero_a[0] = 1;
    top.name = "n";
    top.zero_tail[15] = 9;
    auto* list = main.find_unit(kListId)->unit();
    std::get<ListBoxBlob>(list->blob).font->face_bytes.fill('A');  // a face without terminating zero
    std::get<ListBoxBlob>(list->blob).item_area = {1,  2,  3,  4,  5,  6,  7,  8,  9,
                                                   10, 11, 12, 13, 14, 15, 16, 17, 18};
    auto* edit = main.find_unit(kEditAId)->unit();
    std::get<EditBoxBlob>(edit->blob).reserved40 = 0xBEEF;
    std::get<EditBoxBlob>(edit->blob).tail[1] = 5;
    std::get<EditBoxBlob>(edit->blob).content =
        "\x80\xFF\\x41 \xB0";  // no GBK character, and a lone lead byte
    std::get<EditBoxBlob>(edit->blob).text_colour = Colour{0x12345678};
    auto* combo = main.find_unit(kComboId)->unit();
    std::get<ComboBoxBlob>(combo->blob).font->face_bytes[31] =
        'x';  // a face with left-over bytes up to the end
    return form;
}

std::uint32_t get32(std::span<const std::uint8_t> bytes, std::uint64_t at) {
    return get_u32(bytes, at);
}

void set32(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint32_t v) {
    set_u32(bytes, at, v);
}

Layout locate(std::span<const std::uint8_t> form) {
    Layout out;
    const std::uint32_t n = get32(form, 0) / 8;
    std::uint64_t at = 4 + 8ull * n;
    for (std::uint32_t k = 0; k < n; ++k) {
        Layout::Window w;
        w.record = at;
        at += 8;
        at += 4 + get32(form, at);  // name
        at += 4 + get32(form, at);  // comment
        w.unit_count = at;
        w.record_size = at + 4;
        const std::uint32_t units = get32(form, at);
        w.end = at + 8 + get32(form, at + 4);
        w.ids = at + 8;
        w.offsets = w.ids + 4ull * units;
        const std::uint64_t area = w.offsets + 4ull * units;
        for (std::uint32_t i = 0; i < units; ++i) w.units.push_back(area + get32(form, w.offsets + 4ull * i));
        at = w.end;
        out.windows.push_back(w);
    }
    return out;
}

}  // namespace tockly::image::form_test
