// What each unit type is to the host: the design values it takes from its blob or from the
// type's defaults, the properties a handler reaches by index, and the arguments of its events.
#include <gtest/gtest.h>

#include "host/core/property_store.h"
#include "host/core/unit_design.h"
#include "host/host_constants.h"
#include "image/form.h"

namespace tockly::host {
namespace {

using image::Colour;
using image::FormUnit;
using image::UnitRecord;

// Binds every handler to its own code offset.
struct OffsetBinder final : HandlerBinder {
    image::Result<std::uint32_t> bind(std::uint32_t code_offset, std::uint32_t,
                                      const std::string&) const override {
        return code_offset;
    }
};

FormUnit unit(std::uint32_t id, UnitType type, image::PropertyBlob blob) {
    UnitRecord r;
    r.type = type;
    r.blob = std::move(blob);
    return FormUnit{id, std::move(r)};
}

const UnitDesign& designed(const ProgramDesign& program, std::uint32_t id) {
    const UnitDesign* u = program.windows.front().find(id);
    EXPECT_NE(u, nullptr) << std::hex << id;
    return *u;
}

TEST(UnitTypes, EveryDesignValueOfABlobReachesTheUnitAndEmptyBlobsTakeTheTypesDefaults) {
    image::WindowBlob window;
    window.frame_style = 0;
    window.background = Colour::rgb(1, 2, 3);
    window.caption = "caption";
    image::LabelBlob label;
    label.text_colour = Colour::rgb(4, 5, 6);
    label.background = Colour::rgb(7, 8, 9);
    label.font = image::LogFont::make("face", -20, 700);
    label.caption = "label";
    label.centred = 1;
    label.v_centred = 0;
    image::GroupBoxBlob group;
    group.caption_colour = Colour::rgb(10, 11, 12);
    group.caption = "group";
    image::CheckBoxBlob check;
    check.checked = 1;
    check.caption = "check";
    image::RadioButtonBlob radio;
    radio.checked = 1;
    image::ComboBoxBlob combo;
    combo.items = {"a", "b"};
    combo.text_colour = Colour::rgb(13, 14, 15);
    image::ListBoxBlob list;
    list.background = Colour::rgb(16, 17, 18);
    image::EditBoxBlob edit;
    edit.content = "content";
    image::ButtonBlob button;
    button.caption = "button";
    image::CommonDialogBlob dialog;
    dialog.filter = "MP3|*.mp3";
    dialog.initial_dir = "C:\\";
    dialog.default_ext = "*.mp3";
    image::TimerBlob timer;
    timer.period_ms = 1000;

    image::FormWindow w;
    w.id = 0x52010001;
    w.units = {unit(0x06010000, UnitType::window, window),
               unit(1, UnitType::label, label),
               unit(2, UnitType::group_box, group),
               unit(3, UnitType::check_box, check),
               unit(4, UnitType::radio_button, radio),
               unit(5, UnitType::combo_box, combo),
               unit(6, UnitType::list_box, list),
               unit(7, UnitType::edit_box, edit),
               unit(8, UnitType::button, button),
               unit(9, UnitType::common_dialog, dialog),
               unit(10, UnitType::timer, timer),
               unit(11, UnitType::edit_box, image::EmptyBlob{}),
               unit(12, UnitType::combo_box, image::EmptyBlob{}),
               unit(13, UnitType::list_box, image::EmptyBlob{}),
               unit(14, UnitType::label, image::EmptyBlob{})};
    image::FormData form;
    form.windows.push_back(w);
    auto program = design_program(form, OffsetBinder{});
    ASSERT_TRUE(program.ok()) << program.error().message();

    const UnitDesign& self = designed(*program, 0x06010000);
    EXPECT_EQ(self.frame_style, 0u);
    EXPECT_EQ(self.background, Colour::rgb(1, 2, 3).ref);
    EXPECT_EQ(self.text, "caption");

    const UnitDesign& l = designed(*program, 1);
    EXPECT_EQ(l.text_colour, Colour::rgb(4, 5, 6).ref);
    EXPECT_EQ(l.background, Colour::rgb(7, 8, 9).ref);
    EXPECT_EQ(l.font.face, "face");
    EXPECT_EQ(l.font.height, -20);
    EXPECT_EQ(l.font.weight, 700);
    EXPECT_EQ(l.text, "label");
    EXPECT_TRUE(l.centred);
    EXPECT_FALSE(l.v_centred);

    EXPECT_EQ(designed(*program, 2).text_colour, Colour::rgb(10, 11, 12).ref);
    EXPECT_EQ(designed(*program, 2).text, "group");
    EXPECT_TRUE(designed(*program, 3).checked);
    EXPECT_EQ(designed(*program, 3).text, "check");
    EXPECT_TRUE(designed(*program, 4).checked);
    EXPECT_EQ(designed(*program, 5).items, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(designed(*program, 5).text_colour, Colour::rgb(13, 14, 15).ref);
    EXPECT_EQ(designed(*program, 6).background, Colour::rgb(16, 17, 18).ref);
    EXPECT_EQ(designed(*program, 7).text, "content");
    EXPECT_EQ(designed(*program, 8).text, "button");
    EXPECT_EQ(designed(*program, 8).font.face, default_font().face);
    EXPECT_EQ(designed(*program, 9).filter, "MP3|*.mp3");
    EXPECT_EQ(designed(*program, 9).initial_dir, "C:\\");
    EXPECT_EQ(designed(*program, 9).default_ext, "*.mp3");
    EXPECT_EQ(designed(*program, 10).period_ms, 1000u);

    // Boxes one types or picks in are black on white; a label has no background of its own.
    for (std::uint32_t id : {11u, 12u, 13u}) {
        EXPECT_EQ(designed(*program, id).text_colour, 0x000000u) << id;
        EXPECT_EQ(designed(*program, id).background, 0xFFFFFFu) << id;
    }
    EXPECT_EQ(designed(*program, 14).background, Colour::none().ref);
}

TEST(UnitTypes, PropertiesAreFoundByTypeIndexAndElement) {
    const std::optional<PropertyKind> none;
    struct Case {
        UnitType type;
        std::uint32_t index;
        std::int32_t element;
        std::optional<PropertyKind> kind;
    };
    const Case cases[] = {
        {UnitType::label, property::window_visible, property::whole, PropertyKind::integer},
        {UnitType::menu_item, property::disabled, property::whole, PropertyKind::integer},
        // Neither a timer nor a dialog is ever shown or enabled.
        {UnitType::timer, property::window_visible, property::whole, none},
        {UnitType::common_dialog, property::disabled, property::whole, none},
        {UnitType::timer, property::timer_period, property::whole, PropertyKind::integer},
        {UnitType::common_dialog, property::dialog_file_name, property::whole, PropertyKind::text},
        {UnitType::window, property::window_placement, property::whole, PropertyKind::integer},
        {UnitType::edit_box, property::edit_content, property::whole, PropertyKind::text},
        {UnitType::label, property::label_caption, property::whole, PropertyKind::text},
        {UnitType::label, property::label_text_colour, property::whole, PropertyKind::integer},
        // Of the font, only its size in points.
        {UnitType::label, property::label_font, property::font_size_element, PropertyKind::integer},
        {UnitType::label, property::label_font, property::whole, none},
        {UnitType::check_box, property::check_caption, property::whole, PropertyKind::text},
        {UnitType::radio_button, property::checked, property::whole, PropertyKind::integer},
        // The two kinds of list keep their selection under different indices.
        {UnitType::combo_box, property::combo_selection, property::whole, PropertyKind::integer},
        {UnitType::combo_box, property::list_selection, property::whole, none},
        {UnitType::list_box, property::list_selection, property::whole, PropertyKind::integer},
        {UnitType::list_box, property::combo_selection, property::whole, none},
        // The same index means something else, or nothing, on another type.
        {UnitType::button, property::label_caption, property::whole, none},
        {UnitType::window, property::edit_content, property::whole, none},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(property_kind(c.type, c.index, c.element), c.kind)
            << image::unit_type_name(c.type) << " index " << c.index << " element " << c.element;
    }
}

TEST(UnitTypes, EventsPassTheirArgumentsAndNamesReadBack) {
    EXPECT_EQ(event_argument_count(UnitType::list_box, image::event::double_clicked), 3u);
    EXPECT_EQ(event_argument_count(UnitType::window, image::event::right_button), 3u);
    EXPECT_EQ(event_argument_count(UnitType::window, image::event::tray_notify), 1u);
    // Event 9 is the tray's only on a window.
    EXPECT_EQ(event_argument_count(UnitType::label, image::event::tray_notify), 0u);
    EXPECT_EQ(event_argument_count(UnitType::timer, image::event::tick), 0u);

    for (const image::UnitTypeInfo& row : image::unit_types) {
        EXPECT_EQ(image::unit_type_from_name(row.name), row.type) << row.name;
        EXPECT_TRUE(image::is_known_unit_type(static_cast<std::uint16_t>(row.type))) << row.name;
    }
    EXPECT_FALSE(image::is_known_unit_type(2));
    EXPECT_EQ(image::unit_type_from_name("unknown"), std::nullopt);
}

}  // namespace
}  // namespace tockly::host
