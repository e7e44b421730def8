#include "app/form_design.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/units.h"
#include "tockly_version.h"

namespace tockly::app {

using namespace image;

namespace {

constexpr std::uint32_t shown = form_format::flag_visible;
constexpr std::uint32_t disabled = form_format::flag_disabled;
constexpr std::uint32_t tab_stop = form_format::flag_tab_stop;
constexpr std::uint32_t non_visual = 0;
constexpr std::uint32_t hidden = 0;

constexpr Colour window_green = Colour::rgb(230, 255, 251);
constexpr Colour black = Colour::rgb(0, 0, 0);
constexpr Colour white = Colour::rgb(255, 255, 255);

// The fonts of the form: GB2312, with the fixed precision, quality and pitch values.
LogFont song(std::int32_t height, std::int32_t weight) {
    return LogFont::make("宋体", height, weight);
}

struct Builder {
    const HandlerOffsets& handlers;
    FormWindow window;

    // A unit, bound to the events the handler list says it answers, in the list's order.
    FormUnit& add(const Unit& unit, std::string name, Place place, std::uint32_t flags, PropertyBlob blob,
                  std::uint32_t parent = 0) {
        UnitRecord r;
        r.type = unit.type;
        r.name = std::move(name);
        r.place = place;
        r.flags = flags;
        r.parent = parent;
        r.blob = std::move(blob);
        for (const HandlerBinding& b : handler_bindings) {
            if (b.unit.id == unit.id && b.unit.window == unit.window)
                r.bindings.push_back(EventBinding{*b.event, handlers[b.id]});
        }
        window.units.push_back(FormUnit{unit.id, std::move(r)});
        return window.units.back();
    }

    // A menu item, with the handler the list names for it, if any.
    void menu(const Unit& unit, std::uint32_t level, std::uint32_t state, std::string caption) {
        MenuItemRecord m;
        m.level = level;
        m.state = state;
        m.caption = std::move(caption);
        m.handler = form_format::menu_no_handler;
        for (const HandlerBinding& b : handler_bindings) {
            if (b.unit.id == unit.id && b.unit.window == unit.window)
                m.handler = static_cast<std::int32_t>(handlers[b.id]);
        }
        window.units.push_back(FormUnit{unit.id, std::move(m)});
    }
};

LabelBlob label(std::string caption, Colour text, Colour background, Font font = std::nullopt,
                bool centred = false) {
    LabelBlob b;
    b.caption = std::move(caption);
    b.text_colour = text;
    b.background = background;
    b.font = font;
    b.centred = centred ? 1 : 0;
    return b;
}

EditBoxBlob edit(std::string content, Colour text = black, Colour background = white,
                 Font font = std::nullopt) {
    EditBoxBlob b;
    b.content = std::move(content);
    b.text_colour = text;
    b.background = background;
    b.font = font;
    return b;
}

ButtonBlob button(std::string caption) {
    ButtonBlob b;
    b.caption = std::move(caption);
    return b;
}

RadioButtonBlob radio(std::string caption, bool checked) {
    RadioButtonBlob b;
    b.caption = std::move(caption);
    b.background = window_green;
    b.checked = checked ? 1 : 0;
    return b;
}

GroupBoxBlob group(std::string caption) {
    GroupBoxBlob b;
    b.caption = std::move(caption);
    b.caption_colour = Colour::rgb(0, 0, 81);
    b.background = window_green;
    return b;
}

// "01", "02", ... up to `last`, then "00": the choices of a time part.
ComboBoxBlob time_combo(int last) {
    ComboBoxBlob b;
    b.font = song(-14, 700);
    b.text_colour = black;
    b.background = white;
    for (int i = 1; i <= last; ++i) {
        b.items.push_back(std::string{static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10)});
    }
    b.items.push_back("00");
    return b;
}

CommonDialogBlob file_dialog(std::string filter, std::string default_ext) {
    CommonDialogBlob b;
    b.filter = std::move(filter);
    b.initial_dir = "c:\\";
    b.default_ext = std::move(default_ext);
    return b;
}

FormWindow main_window(const HandlerOffsets& handlers) {
    Builder f{handlers, {}};
    f.window.id = main_window_id;
    f.window.header_word = main_window_header_word;
    f.window.record_word = main_window_record_word;
    f.window.class_id = main_window_class_id;

    WindowBlob self_blob;
    self_blob.frame_style = 2;
    self_blob.background = window_green;
    self_blob.caption = "Tockly —— 桌面定时闹钟 版本" TOCKLY_VERSION;
    f.add(主窗口, "", {50, 50, 383, 513}, shown, self_blob);

    const LogFont value_font = song(-15, 700);
    const Colour value_background = Colour::rgb(255, 232, 208);

    f.add(标签10, "标签10", {320, 48, 40, 24}, hidden, label("反馈提示", black, Colour::none()));
    f.add(编辑框索引, "编辑框索引", {24, 408, 48, 24}, hidden, edit("现行索引"));
    f.add(按钮4, "按钮4", {10, 333, 81, 22}, shown | disabled | tab_stop, button("保存修改"));
    f.add(标签三, "标签三", {267, 18, 24, 17}, shown, label("", black, value_background, value_font, true),
          分组框1.id);
    f.add(标签二, "标签二", {179, 18, 24, 17}, shown, label("", black, value_background, value_font, true),
          分组框1.id);
    f.add(标签一, "标签一", {98, 18, 24, 17}, shown, label("", black, value_background, value_font, true),
          分组框1.id);
    f.add(组合框3, "组合框3", {264, 16, 47, 20}, shown, time_combo(59), 分组框1.id);
    f.add(编辑框读表, "编辑框读表", {96, 424, 224, 24}, hidden, EmptyBlob{});
    f.add(编辑框写表, "编辑框写表", {96, 400, 224, 24}, hidden, EmptyBlob{});
    f.menu(系统, 0, 1, "系统");
    f.menu(关于, 1, 0, "关于");
    f.menu(退出, 1, 0, "退出");
    f.add(标签9, "标签9", {312, 16, 48, 24}, hidden, label("反馈提示", black, Colour::none()));

    CheckBoxBlob chime;
    chime.caption = "取消报时";
    chime.checked = 1;
    f.add(选择框1, "选择框1", {288, 333, 80, 22}, shown | tab_stop, chime);
    f.add(通用对话框2, "通用对话框2", {0, 56, 32, 24}, non_visual, file_dialog("", ""));
    f.add(通用对话框1, "通用对话框1", {0, 32, 32, 24}, non_visual, file_dialog("*.mp3|*.mp3", "*.mp3"));
    f.add(标签8, "标签8", {11, 360, 356, 15}, shown,
          label(" 已设时间    运行功能    提示信息", black, Colour::rgb(243, 205, 237)));

    const Colour red = Colour::rgb(255, 0, 0);
    f.add(编辑框c, "编辑框c", {328, 144, 32, 24}, hidden, edit("", red, black));
    f.add(编辑框b, "编辑框b", {296, 144, 32, 24}, hidden, edit("", red, black));
    // The face field holds a fragment of another face after its terminating zero, as designers
    // leave it; only the text before the zero counts.
    LogFont fragment_font = song(-12, 400);
    std::memcpy(fragment_font.face_bytes.data() + 5, "黑体", 4);
    f.add(编辑框a, "编辑框a", {264, 144, 32, 24}, hidden, edit("", red, black, fragment_font));

    f.add(按钮3, "按钮3", {12, 17, 72, 22}, shown | tab_stop, button("选择铃声"), 分组框3.id);
    f.add(编辑框5, "编辑框5", {103, 203, 256, 20}, shown | tab_stop, edit(""));
    f.add(标签7, "标签7", {180, 19, 72, 16}, shown,
          label("--- 输入分钟", Colour::rgb(192, 96, 0), window_green, song(-12, 400)), 分组框2.id);
    f.add(编辑框4, "编辑框4", {94, 17, 80, 20}, shown | tab_stop, EmptyBlob{}, 分组框2.id);
    f.add(分组框2, "分组框2", {10, 132, 358, 47}, shown, group("按倒计时")).unit()->children = {标签7.id,
                                                                                                编辑框4.id};

    const LogFont unit_font = song(-14, 400);
    f.add(标签6, "标签6", {246, 99, 13, 16}, shown, label("秒", black, window_green, unit_font));
    f.add(标签5, "标签5", {166, 99, 13, 16}, shown, label("分", black, window_green, unit_font));
    f.add(标签4, "标签4", {86, 99, 13, 16}, shown, label("时", black, window_green, unit_font));
    f.add(单选框3, "单选框3", {21, 297, 80, 24}, shown | tab_stop, radio("定时关机：", false));
    f.add(单选框2, "单选框2", {21, 265, 80, 24}, shown | tab_stop, radio("运行程序：", false));
    f.add(单选框1, "单选框1", {21, 233, 80, 24}, shown | tab_stop, radio("温馨提示：", true));
    f.add(编辑框3, "编辑框3", {103, 298, 256, 20}, shown | disabled | tab_stop,
          edit("时间到达后将在5秒后关机！"));
    f.add(编辑框2, "编辑框2", {103, 266, 256, 20}, shown | tab_stop, edit("---- 选择要运行的程序 ----"));
    f.add(编辑框1, "编辑框1", {103, 234, 256, 20}, shown | tab_stop, edit("---- 填写提示信息！----"));
    f.add(按钮2, "按钮2", {195, 333, 81, 22}, shown | tab_stop, button("删除时间"));
    f.add(按钮1, "按钮1", {103, 333, 81, 22}, shown | tab_stop, button("添加时间"));

    ListBoxBlob table;
    table.font = song(-12, 400);
    table.text_colour = black;
    table.background = Colour::rgb(232, 244, 255);
    f.add(列表框1, "列表框1", {10, 376, 358, 97}, shown | tab_stop, table);

    const LogFont clock_font = song(-56, 700);
    const Colour clock_red = Colour::rgb(198, 0, 5);
    f.add(标签3, "标签3", {247, 10, 64, 56}, shown, label("00", clock_red, window_green, clock_font));
    f.add(标签2, "标签2", {159, 10, 88, 56}, shown, label("00:", clock_red, window_green, clock_font));
    f.add(时钟1, "时钟1", {2, 2, 32, 32}, non_visual, TimerBlob{1000});
    f.add(标签1, "标签1", {71, 10, 88, 56}, shown, label("00:", clock_red, window_green, clock_font));
    f.add(分组框1, "分组框1", {10, 80, 358, 48}, shown, group("按时间")).unit()->children = {
        标签三.id, 标签二.id, 标签一.id, 组合框3.id, 组合框1.id, 组合框2.id};
    f.add(分组框3, "分组框3", {10, 185, 358, 142}, shown, group("选择功能")).unit()->children = {按钮3.id};
    f.add(外形框1, "外形框1", {10, 359, 358, 17}, shown, EmptyBlob{});
    f.add(组合框1, "组合框1", {95, 16, 47, 20}, shown, time_combo(23), 分组框1.id);
    f.add(组合框2, "组合框2", {176, 16, 47, 20}, shown, time_combo(59), 分组框1.id);
    return std::move(f.window);
}

FormWindow popup_window(const HandlerOffsets& handlers) {
    Builder f{handlers, {}};
    f.window.id = popup_window_id;
    f.window.header_word = popup_window_header_word;
    f.window.record_word = popup_window_record_word;
    f.window.class_id = popup_window_class_id;

    // A borderless strip; four reserved settings differ from the main window's.
    WindowBlob self_blob;
    self_blob.frame_style = 0;
    self_blob.background = Colour::none();
    self_blob.reserved[(20 - 16) / 4] = 0;
    self_blob.reserved[(60 - 16) / 4] = 1;
    self_blob.reserved[(64 - 16) / 4] = 2;
    self_blob.reserved[(68 - 16) / 4] = 1;
    f.add(弹出窗口, "", {50, 50, 344, 40}, shown, self_blob);

    f.add(时钟2, "时钟2", {16, 88, 32, 32}, non_visual, TimerBlob{0});
    // Disabled so that a right-click on it reaches the window, which closes.
    f.add(
        标签, "标签", {0, -1, 344, 42}, shown | disabled,
        label("现在时间: 20:20:20", Colour::rgb(0, 255, 255), black, LogFont::make("黑体", -29, 700), true));
    return std::move(f.window);
}

}  // namespace

FormData tockly_form(const HandlerOffsets& handlers) {
    FormData form;
    form.windows.push_back(main_window(handlers));
    form.windows.push_back(popup_window(handlers));
    return form;
}

}  // namespace tockly::app
