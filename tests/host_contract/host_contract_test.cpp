// The contract every host keeps with the handlers: text ownership, unit commands, properties,
// INI items, text and date-time commands, windows and timers. Written against host::Host and
// ContractHost only, so the same cases run against every host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/arg_records.h"
#include "host/host_constants.h"
#include "host/owned_text.h"
#include "image/text_routines.h"
#include "tests/host_contract/contract_host.h"
#include "tests/host_contract/contract_program.h"

namespace tockly::contract {
namespace {

using host::int_arg;
using host::OwnedText;
using host::text_arg;
namespace cmd = host::command;
namespace prop = host::property;

class HostContract : public ::testing::Test {
  protected:
    void SetUp() override {
        h = make_contract_host();
        h->start();
    }
    void TearDown() override {
        EXPECT_EQ(h->live_blocks(), 0u) << "a text the host returned was not released";
        EXPECT_EQ(h->bad_releases(), 0u);
    }
    host::Host& host() { return h->host(); }
    std::uint64_t call(std::uint32_t command, std::vector<host::ArgRecord> args) {
        return host().call_core(command, args);
    }
    std::string text_of(std::uint64_t result) { return std::string(OwnedText(host(), result).view()); }
    std::string read_text(const UnitRef& u, std::uint32_t index) {
        return text_of(host().read_property(u.window, u.id, index, prop::whole));
    }
    void write_text(const UnitRef& u, std::uint32_t index, const char* text) {
        host().write_property(u.window, u.id, index, prop::whole, reinterpret_cast<std::uintptr_t>(text), 0);
    }
    std::int32_t read_int(const UnitRef& u, std::uint32_t index, std::int32_t element = prop::whole) {
        return static_cast<std::int32_t>(host().read_property(u.window, u.id, index, element));
    }
    void write_int(const UnitRef& u, std::uint32_t index, std::int32_t value,
                   std::int32_t element = prop::whole) {
        host().write_property(u.window, u.id, index, element, static_cast<std::uint32_t>(value), 0);
    }
    std::vector<std::string> list_rows() {
        std::vector<std::string> rows;
        const auto n = static_cast<std::int32_t>(call(cmd::list_count, {unit(kList)}));
        for (std::int32_t i = 0; i < n; ++i)
            rows.push_back(text_of(call(cmd::list_item_text, {unit(kList), int_arg(i)})));
        return rows;
    }

    std::unique_ptr<ContractHost> h;
};

TEST_F(HostContract, NullTextArrivesAsEmptyText) {
    write_text(kEdit, prop::edit_content, nullptr);
    EXPECT_EQ(read_text(kEdit, prop::edit_content), "");
    call(cmd::list_append, {unit(kList), host::ArgRecord{0, 0, host::type_word::text}, int_arg(0)});
    EXPECT_EQ(list_rows(), std::vector<std::string>{""});
}

TEST_F(HostContract, EmptyPropertyComparesEqualToEmptyText) {
    write_text(kLabel, prop::label_caption, "");
    OwnedText caption(host(),
                      host().read_property(kLabel.window, kLabel.id, prop::label_caption, prop::whole));
    EXPECT_EQ(image::text_compare(caption.get(), ""), 0);
    EXPECT_EQ(image::text_compare(caption.get(), nullptr), 0);
}

TEST_F(HostContract, EveryReturnedTextIsANewBlockOwnedByTheCaller) {
    const auto before = h->live_blocks();
    {
        OwnedText a(host(), host().read_property(kEdit.window, kEdit.id, prop::edit_content, prop::whole));
        OwnedText b(host(), host().read_property(kEdit.window, kEdit.id, prop::edit_content, prop::whole));
        EXPECT_NE(a.get(), b.get());
        EXPECT_EQ(a.view(), "hello");
        EXPECT_EQ(h->live_blocks(), before + 2);
        // Changing the property leaves a text already returned as it was.
        write_text(kEdit, prop::edit_content, "changed");
        EXPECT_EQ(a.view(), "hello");
    }
    EXPECT_EQ(h->live_blocks(), before);
}

TEST_F(HostContract, WrittenTextsAreCopied) {
    char buffer[] = "mine";
    write_text(kLabel, prop::label_caption, buffer);
    buffer[0] = 'X';
    EXPECT_EQ(read_text(kLabel, prop::label_caption), "mine");
}

TEST_F(HostContract, ListBoxCommandsWithIndicesInsideAndOutside) {
    call(cmd::list_append, {unit(kList), text_arg("b"), int_arg(0)});
    call(cmd::list_insert, {unit(kList), int_arg(0), text_arg("a"), host::omitted_arg()});
    call(cmd::list_append, {unit(kList), text_arg("d"), int_arg(0)});
    call(cmd::list_insert, {unit(kList), int_arg(2), text_arg("c"), host::omitted_arg()});
    EXPECT_EQ(list_rows(), (std::vector<std::string>{"a", "b", "c", "d"}));
    // Outside the rows: no crash, nothing changes, an empty text.
    call(cmd::list_insert, {unit(kList), int_arg(9), text_arg("x"), host::omitted_arg()});
    call(cmd::list_delete, {unit(kList), int_arg(-1)});
    call(cmd::list_delete, {unit(kList), int_arg(4)});
    for (std::int32_t bad : {-1, 4, 1000}) {
        EXPECT_EQ(text_of(call(cmd::list_item_text, {unit(kList), int_arg(bad)})), "") << bad;
    }
    EXPECT_EQ(list_rows(), (std::vector<std::string>{"a", "b", "c", "d"}));
    call(cmd::list_delete, {unit(kList), int_arg(0)});
    call(cmd::list_delete, {unit(kList), int_arg(2)});
    EXPECT_EQ(list_rows(), (std::vector<std::string>{"b", "c"}));
}

TEST_F(HostContract, ListSelectionFollowsItsRowAndOutOfRangeSelectsNothing) {
    for (const char* row : {"a", "b", "c"}) call(cmd::list_append, {unit(kList), text_arg(row), int_arg(0)});
    EXPECT_EQ(read_int(kList, prop::list_selection), -1);
    write_int(kList, prop::list_selection, 1);
    call(cmd::list_insert, {unit(kList), int_arg(0), text_arg("top"), host::omitted_arg()});
    EXPECT_EQ(read_int(kList, prop::list_selection), 2);
    call(cmd::list_delete, {unit(kList), int_arg(2)});
    EXPECT_EQ(read_int(kList, prop::list_selection), -1);
    write_int(kList, prop::list_selection, 7);
    EXPECT_EQ(read_int(kList, prop::list_selection), -1);
}

TEST_F(HostContract, ComboItemTextAndSelection) {
    EXPECT_EQ(text_of(call(cmd::combo_item_text, {unit(kCombo), int_arg(0)})), "01");
    EXPECT_EQ(text_of(call(cmd::combo_item_text, {unit(kCombo), int_arg(2)})), "00");
    EXPECT_EQ(text_of(call(cmd::combo_item_text, {unit(kCombo), int_arg(3)})), "");
    EXPECT_EQ(text_of(call(cmd::combo_item_text, {unit(kCombo), int_arg(-1)})), "");
    write_int(kCombo, prop::combo_selection, 2);
    EXPECT_EQ(read_int(kCombo, prop::combo_selection), 2);
}

TEST_F(HostContract, EditBoxAppend) {
    call(cmd::edit_append, {unit(kEdit), text_arg(" world")});
    call(cmd::edit_append, {unit(kEdit), host::ArgRecord{0, 0, host::type_word::text}});
    EXPECT_EQ(read_text(kEdit, prop::edit_content), "hello world");
}

TEST_F(HostContract, IniItemsThroughTheCommands) {
    const std::string path = text_of(call(cmd::program_directory, {})) + "\\data.ini";
    EXPECT_EQ(path, h->program_directory() + "\\data.ini");
    auto read = [&](const char* key) {
        return text_of(
            call(cmd::ini_read, {text_arg(path.c_str()), text_arg("T"), text_arg(key), host::omitted_arg()}));
    };
    EXPECT_EQ(read("rows"), "");  // no file yet
    call(cmd::ini_write,
         {text_arg(path.c_str()), text_arg("T"), text_arg("rows"), text_arg("08:30:00 a@b@")});
    call(cmd::ini_write, {text_arg(path.c_str()), text_arg("T"), text_arg("tone"), text_arg("c:\\x y.mp3")});
    EXPECT_EQ(read("rows"), "08:30:00 a@b@");
    EXPECT_EQ(read("tone"), "c:\\x y.mp3");
    EXPECT_EQ(read("missing"), "");
}

TEST_F(HostContract, Mp3CommandAnswersAtOnceFromTheFile) {
    // Two MPEG 1 layer III frames (128 kbit/s, 44.1 kHz: 417 bytes each).
    std::string frames;
    for (int i = 0; i < 2; ++i) frames += std::string("\xFF\xFB\x90\x64", 4) + std::string(413, '\0');
    h->put_program_file("tone.mp3", frames);
    h->put_program_file("tagged.mp3", std::string("ID3\x03\0\0\0\0\0\x20", 10) + std::string(32, '\0'));
    h->put_program_file("notes.mp3", "not a sound at all\r\n");
    h->put_program_file("empty.mp3", "");
    const std::string dir = h->program_directory() + "\\";
    struct Case {
        std::string path;
        std::uint64_t started;
    };
    const Case cases[] = {
        {dir + "tone.mp3", 1},  {dir + "tagged.mp3", 1},  {dir + "notes.mp3", 0},
        {dir + "empty.mp3", 0}, {dir + "missing.mp3", 0}, {"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(call(cmd::play_mp3, {int_arg(1), text_arg(c.path.c_str())}), c.started) << c.path;
        call(cmd::stop_sound, {});
    }
}

TEST_F(HostContract, TextCommands) {
    EXPECT_EQ(text_of(call(cmd::left_part, {text_arg("08:30:00 x"), int_arg(8)})), "08:30:00");
    EXPECT_EQ(text_of(call(cmd::middle_part, {text_arg("abcdef"), int_arg(3), int_arg(2)})), "cd");
    EXPECT_EQ(text_of(call(cmd::integer_to_text, {int_arg(-42)})), "-42");
    EXPECT_EQ(static_cast<std::int32_t>(call(cmd::to_integer, {text_arg("15")})), 15);
    host::OwnedTextArray pieces(
        host(), call(cmd::split_text, {text_arg("A@B@"), text_arg("@"), host::omitted_arg()}));
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_STREQ(pieces.at(0), "A");
    EXPECT_STREQ(pieces.at(1), "B");
}

TEST_F(HostContract, DateTimeCommands) {
    auto dt = [](std::uint64_t v) { return host::date_time_arg(static_cast<std::int64_t>(v)); };
    const std::uint64_t now = call(cmd::now, {});
    const std::uint64_t later = call(cmd::add_to_date_time, {dt(now), int_arg(7), int_arg(15)});
    const auto minutes = [&](std::uint64_t v) {
        return static_cast<std::int32_t>(call(cmd::hour_of, {dt(v)})) * 60 +
               static_cast<std::int32_t>(call(cmd::minute_of, {dt(v)}));
    };
    EXPECT_EQ((minutes(later) - minutes(now) + 24 * 60) % (24 * 60), 15);
    EXPECT_EQ(call(cmd::second_of, {dt(later)}), call(cmd::second_of, {dt(now)}));
    const std::uint64_t converted = call(cmd::date_time_convert, {dt(now)});
    EXPECT_EQ(minutes(converted), minutes(now));
    EXPECT_EQ(call(cmd::second_of, {dt(converted)}), call(cmd::second_of, {dt(now)}));
}

TEST_F(HostContract, PropertiesOfEveryKindReadBackWhatWasWritten) {
    struct Case {
        UnitRef unit;
        std::uint32_t index;
        std::int32_t element;
        std::int32_t design;  // the value before any write
        std::int32_t written;
    };
    const Case cases[] = {
        {kMainSelf, prop::window_visible, prop::whole, 1, 0},
        {kMainSelf, prop::window_placement, prop::whole, 1, 2},
        {kLabel, prop::label_font, prop::font_size_element, 42, 15},
        {kLabel, prop::label_text_colour, prop::whole, 0x0500C6, 0xFF00FF},
        {kButton, prop::disabled, prop::whole, 0, 1},
        {kCombo, prop::disabled, prop::whole, 0, 1},
        {kCheck, prop::checked, prop::whole, 1, 0},
        {kRadio2, prop::checked, prop::whole, 0, 1},
        {kCombo, prop::combo_selection, prop::whole, -1, 1},
        {kList, prop::list_selection, prop::whole, -1, -1},
        {kTimer, prop::timer_period, prop::whole, 1000, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.unit.id << " property " << c.index);
        EXPECT_EQ(read_int(c.unit, c.index, c.element), c.design);
        write_int(c.unit, c.index, c.written, c.element);
        EXPECT_EQ(read_int(c.unit, c.index, c.element), c.written);
    }
    struct TextCase {
        UnitRef unit;
        std::uint32_t index;
        const char* design;
    };
    const TextCase texts[] = {{kEdit, prop::edit_content, "hello"},
                              {kLabel, prop::label_caption, "00:"},
                              {kCheck, prop::check_caption, "chime"},
                              {kDialog, prop::dialog_file_name, ""}};
    for (const auto& c : texts) {
        EXPECT_EQ(read_text(c.unit, c.index), c.design);
        write_text(c.unit, c.index, "\xD6\xD0 new");  // GBK bytes pass unchanged
        EXPECT_EQ(read_text(c.unit, c.index), "\xD6\xD0 new");
    }
}

TEST_F(HostContract, WindowsOpenAfreshWithCreationAndDestructionEvents) {
    EXPECT_EQ(handler_log().front(), "main_created");
    on(popup_created, [](host::Host& host, const std::uint32_t*) {
        // The creation handler finds its units with their design values.
        OwnedText design(host, host.read_property(kPopup, kPopupLabel.id, prop::label_caption, prop::whole));
        EXPECT_EQ(design.view(), "design text");
        host.write_property(kPopup, kPopupLabel.id, prop::label_caption, prop::whole,
                            reinterpret_cast<std::uintptr_t>("shown"), 0);
    });
    on(popup_rclick, [](host::Host& host, const std::uint32_t*) {
        const host::ArgRecord w[] = {unit(kPopupSelf), host::omitted_arg()};
        host.call_core(cmd::close_window, w);
    });
    for (int round = 0; round < 2; ++round) {
        handler_log().clear();
        call(cmd::open_window, {unit(kPopupSelf), host::omitted_arg(), host::logical_arg(false)});
        EXPECT_EQ(handler_log(), std::vector<std::string>{"popup_created"});  // ran inside the open
        EXPECT_EQ(read_text(kPopupLabel, prop::label_caption), "shown");
        h->right_click(kPopup);
        EXPECT_FALSE(h->is_open(kPopup));
        EXPECT_EQ(handler_log(),
                  (std::vector<std::string>{"popup_created", "popup_rclick", "popup_destroying"}));
    }
}

TEST_F(HostContract, SecondTimerTicksOncePerSecondAndPeriodTimersAtTheirPeriod) {
    handler_log().clear();
    h->advance_ms(3000);
    EXPECT_EQ(std::count(handler_log().begin(), handler_log().end(), "tick"), 3);

    on(popup_tick, [](host::Host& host, const std::uint32_t*) {
        const host::ArgRecord w[] = {unit(kPopupSelf), host::omitted_arg()};
        host.call_core(cmd::close_window, w);
    });
    call(cmd::open_window, {unit(kPopupSelf), host::omitted_arg(), host::logical_arg(false)});
    write_int(kPopupTimer, prop::timer_period, 5000);
    h->advance_ms(4000);
    EXPECT_TRUE(h->is_open(kPopup));
    h->advance_ms(2000);
    EXPECT_FALSE(h->is_open(kPopup));
    EXPECT_EQ(std::count(handler_log().begin(), handler_log().end(), "popup_tick"), 1);
}

}  // namespace
}  // namespace tockly::contract
