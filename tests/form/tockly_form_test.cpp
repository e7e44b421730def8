// Tockly's designed form: what the windows are built from.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/form_design.h"
#include "app/units.h"
#include "image/form_reader.h"
#include "image/form_writer.h"

namespace tockly::app {
namespace {

using namespace image;

// Distinct offsets, so a binding to the wrong handler shows.
HandlerOffsets offsets() {
    HandlerOffsets h;
    for (std::uint32_t i = 0; i < handler_count; ++i) h.by_id[i] = 0x1000 + 0x20 * i;
    return h;
}

const FormData& form() {
    static const FormData f = tockly_form(offsets());
    return f;
}

const FormWindow& main_window() {
    return form().windows[0];
}
const UnitRecord& record(const Unit& u) {
    return *form().find_window(u.window)->find_unit(u.id)->unit();
}

TEST(TocklyForm, HasItsWindowsInUnitOrderAndRoundTrips) {
    const Unit main_order[] = {主窗口,  标签10,      编辑框索引,  按钮4,   标签三,  标签二,  标签一,
                               组合框3, 编辑框读表,  编辑框写表,  系统,    关于,    退出,    标签9,
                               选择框1, 通用对话框2, 通用对话框1, 标签8,   编辑框c, 编辑框b, 编辑框a,
                               按钮3,   编辑框5,     标签7,       编辑框4, 分组框2, 标签6,   标签5,
                               标签4,   单选框3,     单选框2,     单选框1, 编辑框3, 编辑框2, 编辑框1,
                               按钮2,   按钮1,       列表框1,     标签3,   标签2,   时钟1,   标签1,
                               分组框1, 分组框3,     外形框1,     组合框1, 组合框2};
    const Unit popup_order[] = {弹出窗口, 时钟2, 标签};
    ASSERT_EQ(form().windows.size(), 2u);
    const struct {
        const FormWindow& window;
        std::span<const Unit> order;
    } windows[] = {{form().windows[0], main_order}, {form().windows[1], popup_order}};
    for (const auto& w : windows) {
        ASSERT_EQ(w.window.units.size(), w.order.size());
        for (std::size_t i = 0; i < w.order.size(); ++i) {
            EXPECT_EQ(w.window.id, w.order[i].window);
            EXPECT_EQ(w.window.units[i].id, w.order[i].id) << i;
            EXPECT_EQ(w.window.units[i].type(), w.order[i].type) << i;
        }
    }
    EXPECT_EQ(main_window().class_id, main_window_class_id);
    EXPECT_EQ(form().windows[1].class_id, popup_window_class_id);

    ASSERT_TRUE(validate_form(form()).ok());
    const auto bytes = write_form(form());
    EXPECT_EQ(bytes.size(), 11262u);
    auto back = read_form(bytes);
    ASSERT_TRUE(back.ok()) << back.error().message();
    EXPECT_EQ(*back, form());
}

TEST(TocklyForm, BindsEveryHandlerOnceToAnEventWithItsArgumentCount) {
    std::map<std::uint32_t, HandlerId> by_offset;
    for (std::uint32_t i = 0; i < handler_count; ++i)
        by_offset[offsets().by_id[i]] = static_cast<HandlerId>(i);
    std::map<HandlerId, int> bound;
    for (const auto& w : form().windows) {
        for (const auto& u : w.units) {
            if (const auto* m = u.menu_item()) {
                if (m->handler < 0) continue;
                const HandlerId id = by_offset.at(static_cast<std::uint32_t>(m->handler));
                EXPECT_EQ(handler_arg_count(id), 0u);
                ++bound[id];
                continue;
            }
            for (const auto& b : u.unit()->bindings) {
                const HandlerId id = by_offset.at(b.handler);
                const std::uint32_t args = b.event < 0 ? 3 : (b.event == event::tray_notify ? 1 : 0);
                EXPECT_EQ(handler_arg_count(id), args) << static_cast<int>(id);
                ++bound[id];
            }
        }
    }
    for (std::uint32_t i = 0; i < handler_count; ++i) EXPECT_EQ(bound[static_cast<HandlerId>(i)], 1) << i;

    const struct {
        Unit unit;
        std::int32_t event;
        HandlerId handler;
    } spots[] = {
        {主窗口, event::created, HandlerId::on_main_created},
        {主窗口, event::tray_notify, HandlerId::on_tray_notify},
        {主窗口, event::placement, HandlerId::on_main_placement},
        {主窗口, event::right_button, HandlerId::on_main_rclick},
        {时钟1, event::tick, HandlerId::on_tick},
        {按钮4, event::clicked, HandlerId::on_save_changes},
        {列表框1, event::double_clicked, HandlerId::on_list_dblclick},
        {组合框1, event::item_changed, HandlerId::on_hour_chosen},
        {组合框3, event::item_changed, HandlerId::on_second_chosen},
        {单选框2, event::clicked, HandlerId::on_program_radio},
        {编辑框4, event::content_changed, HandlerId::on_countdown_typed},
        {关于, 0, HandlerId::on_about},
        {弹出窗口, event::destroying, HandlerId::on_popup_destroy},
        {时钟2, event::tick, HandlerId::on_popup_timer},
    };
    for (const auto& s : spots) {
        EXPECT_EQ(find_handler(form(), s.unit.window, s.unit.id, s.event), offsets()[s.handler])
            << std::hex << s.unit.id;
    }
    EXPECT_EQ(find_handler(form(), 系统.window, 系统.id, 0), std::nullopt);
    EXPECT_EQ(find_handler(form(), 列表框1.window, 列表框1.id, event::right_button), std::nullopt);
    EXPECT_EQ(main_window().find_unit(系统.id)->menu_item()->state, 1u);
}

TEST(TocklyForm, BlobSizesFallInTheirLayoutsRanges) {
    const std::map<UnitType, std::set<std::size_t>> exact = {{UnitType::combo_box, {270, 486}},
                                                             {UnitType::list_box, {118}},
                                                             {UnitType::common_dialog, {95, 111}},
                                                             {UnitType::window, {132, 100}},
                                                             {UnitType::group_box, {30, 32}},
                                                             {UnitType::button, {36}},
                                                             {UnitType::check_box, {64}},
                                                             {UnitType::radio_button, {58}},
                                                             {UnitType::timer, {8}},
                                                             {UnitType::shape_box, {0}}};
    for (const auto& w : form().windows) {
        for (const auto& u : w.units) {
            if (!u.unit()) continue;
            const std::size_t size = write_property_blob(u.unit()->blob).size();
            SCOPED_TRACE(::testing::Message() << std::hex << u.id << std::dec << " size " << size);
            if (u.type() == UnitType::label) {
                EXPECT_TRUE(size >= 96 && size <= 166);
            } else if (u.type() == UnitType::edit_box) {
                EXPECT_TRUE(size == 0 || (size >= 82 && size <= 142));
            } else {
                EXPECT_TRUE(exact.at(u.type()).count(size));
            }
        }
    }
    EXPECT_TRUE(std::holds_alternative<EmptyBlob>(record(编辑框4).blob));
    EXPECT_TRUE(std::holds_alternative<EmptyBlob>(record(编辑框读表).blob));
    EXPECT_TRUE(std::holds_alternative<EmptyBlob>(record(外形框1).blob));
    EXPECT_EQ(std::get<WindowBlob>(record(弹出窗口).blob).caption, "");
}

TEST(TocklyForm, GroupsHoldTheirChildrenWhichStandWhereTheUserSeesThem) {
    // Every parent lists its children in the units' own order, and nothing else.
    std::map<std::uint32_t, std::vector<std::uint32_t>> children_by_order;
    for (const auto& u : main_window().units) {
        if (u.unit() && u.unit()->parent != 0) children_by_order[u.unit()->parent].push_back(u.id);
    }
    ASSERT_EQ(children_by_order.size(), 3u);
    for (const auto& [parent, children] : children_by_order) {
        EXPECT_EQ(record(Unit{main_window_id, parent, UnitType::group_box}).children, children) << std::hex << parent;
        EXPECT_EQ(main_window().find_unit(parent)->type(), UnitType::group_box);
    }
    const UnitRecord& button = record(按钮3);
    const UnitRecord& group = record(分组框3);
    EXPECT_EQ(button.parent, 分组框3.id);
    EXPECT_EQ(group.place.left + button.place.left, 22);
    EXPECT_EQ(group.place.top + button.place.top, 202);
}

TEST(TocklyForm, DesignValuesTheHandlersRelyOn) {
    const auto& hours = std::get<ComboBoxBlob>(record(组合框1).blob).items;
    const auto& minutes = std::get<ComboBoxBlob>(record(组合框2).blob).items;
    const auto& seconds = std::get<ComboBoxBlob>(record(组合框3).blob).items;
    ASSERT_EQ(hours.size(), 24u);
    EXPECT_EQ(hours.front(), "01");
    EXPECT_EQ(hours[22], "23");
    EXPECT_EQ(hours.back(), "00");
    EXPECT_EQ(minutes.size(), 60u);
    EXPECT_EQ(minutes[58], "59");
    EXPECT_EQ(seconds, minutes);

    // Tab stops: the visible edit boxes, the buttons, radio buttons, check box and list box.
    std::set<std::uint32_t> tab_stops;
    for (const auto& u : main_window().units) {
        if (u.unit() && u.unit()->tab_stop()) tab_stops.insert(u.id);
    }
    EXPECT_EQ(tab_stops, (std::set<std::uint32_t>{编辑框5.id, 编辑框4.id, 编辑框3.id, 编辑框2.id, 编辑框1.id,
                                                  按钮1.id, 按钮2.id, 按钮3.id, 按钮4.id, 单选框1.id,
                                                  单选框2.id, 单选框3.id, 选择框1.id, 列表框1.id}));

    const struct {
        Unit unit;
        bool visible, disabled;
    } flags[] = {{标签9, false, false},   {标签10, false, false}, {编辑框索引, false, false},
                 {编辑框a, false, false}, {按钮4, true, true},    {编辑框3, true, true},
                 {标签, true, true},      {选择框1, true, false}};
    for (const auto& f : flags) {
        EXPECT_EQ(record(f.unit).visible(), f.visible) << std::hex << f.unit.id;
        EXPECT_EQ(record(f.unit).disabled(), f.disabled) << std::hex << f.unit.id;
    }

    EXPECT_EQ(std::get<LabelBlob>(record(标签9).blob).caption, "反馈提示");
    EXPECT_EQ(std::get<EditBoxBlob>(record(编辑框索引).blob).content, "现行索引");
    EXPECT_EQ(std::get<CheckBoxBlob>(record(选择框1).blob).checked, 1u);
    EXPECT_EQ(std::get<RadioButtonBlob>(record(单选框1).blob).checked, 1u);
    EXPECT_EQ(std::get<TimerBlob>(record(时钟1).blob).period_ms, 1000u);
    EXPECT_EQ(std::get<TimerBlob>(record(时钟2).blob).period_ms, 0u);
    EXPECT_EQ(std::get<EditBoxBlob>(record(编辑框a).blob).font->face(), "宋体");
    EXPECT_EQ(std::get<CommonDialogBlob>(record(通用对话框1).blob).default_ext, "*.mp3");
    // The list header's titles stand over the row text's fields (bytes counted from 1: 2, 14, 26).
    const std::string header = std::get<LabelBlob>(record(标签8).blob).caption;
    EXPECT_EQ(header.find("已设时间"), 1u);
    EXPECT_EQ(header.find("运行功能"), 13u);
    EXPECT_EQ(header.find("提示信息"), 25u);
    const std::string caption = std::get<WindowBlob>(record(主窗口).blob).caption;
    EXPECT_EQ(caption.rfind("Tockly —— ", 0), 0u);
}

}  // namespace
}  // namespace tockly::app
