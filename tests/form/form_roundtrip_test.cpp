// Writing and reading form data: round trips, the layouts' exact sizes and positions, lookups.
#include <gtest/gtest.h>

#include "image/form_reader.h"
#include "image/form_writer.h"
#include "tests/form/form_fixture.h"

namespace tockly::image {
namespace {

using namespace form_test;

FormData read_ok(const std::vector<std::uint8_t>& bytes) {
    auto r = read_form(bytes);
    EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().message());
    return r.ok() ? r.value() : FormData{};
}

TEST(FormRoundTrip, WriteThenReadGivesTheSameForm) {
    const FormData form = small_form();
    ASSERT_TRUE(validate_form(form).ok());
    const auto bytes = write_form(form);
    EXPECT_EQ(read_ok(bytes), form);
}

TEST(FormRoundTrip, ReservedAndZeroFieldsWithOddValuesSurviveByteForByte) {
    const FormData form = form_with_odd_values();
    const auto bytes = write_form(form);
    const FormData back = read_ok(bytes);
    EXPECT_EQ(back, form);
    EXPECT_EQ(write_form(back), bytes);
}

TEST(FormRoundTrip, WalkBySReachesTheSecondWindowAndThenExactlyTheEnd) {
    const auto bytes = write_form(small_form());
    const Layout layout = locate(bytes);
    ASSERT_EQ(layout.windows.size(), 2u);
    EXPECT_EQ(layout.windows[1].record, layout.windows[0].end);
    EXPECT_EQ(layout.windows[1].end, bytes.size());
    EXPECT_EQ(get32(bytes, layout.windows[0].offsets), 0u);  // the first record starts at offset 0

    const FormData back = read_ok(bytes);
    ASSERT_NE(back.find_window(kPopupId), nullptr);
    EXPECT_EQ(back.find_window(kPopupId)->units.size(), 2u);
    EXPECT_EQ(back.find_window(kPopupId)->class_id, 0x1901007Cu);
}

// The sizes the format gives for each blob, with the texts and fonts they are given with.
TEST(FormLayout, BlobSizesMatchTheirLayouts) {
    LabelBlob hidden_label;
    hidden_label.caption = "反馈提示";
    LabelBlob popup_label;
    popup_label.font = LogFont::make("黑体", -29, 700);
    popup_label.caption = "现在时间: 20:20:20";
    EditBoxBlob bare_edit;
    EditBoxBlob big_edit;
    big_edit.font = LogFont::make("宋体", -12, 400);
    ComboBoxBlob hours;
    hours.font = LogFont::make("宋体", -14, 700);
    for (int i = 0; i < 24; ++i) hours.items.push_back("00");
    WindowBlob main_window;
    main_window.caption = std::string(32, 'x');
    ListBoxBlob list;
    list.font = LogFont::make("宋体", -12, 400);
    CommonDialogBlob dialog;
    dialog.filter = "*.mp3|*.mp3";
    dialog.initial_dir = "c:\\";
    dialog.default_ext = "*.mp3";
    CommonDialogBlob bare_dialog;
    bare_dialog.initial_dir = "c:\\";
    GroupBoxBlob group;
    group.caption = "按时间";
    ButtonBlob button;
    button.caption = "添加时间";
    CheckBoxBlob check;
    check.caption = "取消报时";
    RadioButtonBlob radio;
    radio.caption = "温馨提示：";

    const struct {
        const char* what;
        PropertyBlob blob;
        std::size_t size;
    } cases[] = {
        {"empty", EmptyBlob{}, 0},
        {"label, no font", hidden_label, 96},
        {"label, font", popup_label, 166},
        {"edit box, no font, no text", bare_edit, 82},
        {"edit box, font", big_edit, 142},
        {"combo box, 24 items", hours, 270},
        {"window", main_window, 132},
        {"window, empty caption", WindowBlob{}, 100},
        {"list box", list, 118},
        {"dialog", dialog, 111},
        {"dialog, bare", bare_dialog, 95},
        {"group box", group, 30},
        {"button", button, 36},
        {"check box", check, 64},
        {"radio button", radio, 58},
        {"timer", TimerBlob{1000}, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(write_property_blob(c.blob).size(), c.size);
    }
}

// No field is aligned: the u16 in the edit box blob and a combo box's u16 item count shift
// everything after them.
TEST(FormLayout, UnalignedFieldsStandWhereTheLayoutPutsThem) {
    ComboBoxBlob combo;
    combo.font = LogFont::make("宋体", -14, 700);
    combo.items = {"01", "00"};
    const auto c = write_property_blob(combo);
    EXPECT_EQ(c[112] | (c[113] << 8), 2);
    EXPECT_EQ(get32(c, 114), 2u);
    EXPECT_EQ(c[118], '0');

    EditBoxBlob edit;
    edit.content = "ab";
    const auto e = write_property_blob(edit);
    EXPECT_EQ(e[40] | (e[41] << 8), 0x2A);
    EXPECT_EQ(get32(e, 54), 100u);
    EXPECT_EQ(get32(e, 66), 0u);  // font length
    EXPECT_EQ(get32(e, 70), 2u);  // content length

    WindowBlob popup;
    const auto w = write_property_blob(popup);
    EXPECT_EQ(get32(w, 92), 0u);  // a caption of length 0: its length and no bytes
    EXPECT_EQ(w.size(), 100u);
}

TEST(FormModel, LookupsAndFaces) {
    const FormData form = read_ok(write_form(small_form()));
    const struct {
        std::uint32_t window, unit;
        std::int32_t event;
        std::optional<std::uint32_t> handler;
    } cases[] = {
        {kMainId, 0x06010000, event::created, 0x100},
        {kMainId, 0x06010000, event::tray_notify, 0x120},
        {kMainId, 0x06010000, event::right_button, 0x140},
        {kMainId, 0x06010000, event::placement, std::nullopt},
        {kMainId, kEmptyEditId, event::content_changed, 0x200},
        {kMainId, kListId, event::double_clicked, 0x600},
        {kMainId, kListId, event::right_button, std::nullopt},
        {kMainId, kMenuTopId, 0, std::nullopt},  // handler -1
        {kMainId, kMenuAboutId, 0, 0x300},
        {kPopupId, 0x0601007A, event::destroying, 0x720},
        {kPopupId, kListId, 0, std::nullopt},  // not on this window
        {0x52000000, 0x06010000, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.window << " " << c.unit << " " << c.event);
        EXPECT_EQ(find_handler(form, c.window, c.unit, c.event), c.handler);
    }

    const auto* edit = form.find_window(kMainId)->find_unit(kEditAId)->unit();
    const LogFont& font = *std::get<EditBoxBlob>(edit->blob).font;
    EXPECT_EQ(font.face(), "宋体");
    EXPECT_EQ(font.face_bytes[5], 0xB0);  // left-over bytes are kept

    const auto* empty = form.find_window(kMainId)->find_unit(kEmptyEditId)->unit();
    EXPECT_TRUE(std::holds_alternative<EmptyBlob>(empty->blob));
    EXPECT_TRUE(empty->visible());
    EXPECT_FALSE(empty->disabled());
    EXPECT_TRUE(empty->tab_stop());
    EXPECT_EQ(form.find_window(kMainId)->self_unit()->unit()->name, "");
}

}  // namespace
}  // namespace tockly::image
