// The host core at run time on the headless host: loading and refusing images, the entry
// sequence, user input and modal windows, timers on the virtual clock, and recorded effects.
#include "host/core/runtime.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "host/arg_records.h"
#include "host/headless/headless_program.h"
#include "host/owned_text.h"
#include "image/handler_stub.h"
#include "tests/host_contract/contract_program.h"

namespace tockly {
namespace {

using namespace contract;
using host::headless::Json;
namespace cmd = host::command;

// 2026-06-09 10:00:00.000 local.
constexpr std::int64_t kT0 = 1780999200000;

class Queue final : public host::headless::EventSource {
  public:
    std::vector<std::function<void()>> steps;
    std::size_t next = 0;
    bool step() override {
        if (next >= steps.size()) return false;
        steps[next++]();
        return true;
    }
};

class RuntimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_program();
        auto made = host::headless::HeadlessProgram::load(make_image(), handler_table(), kT0 + 250,
                                                          "/nonexistent-dir");
        ASSERT_TRUE(made) << made.error().message();
        program = std::move(made).value();
        loaded = &program->image();
        runtime = &program->runtime();
        windows = &program->windows();
        program->windows().set_event_source(&queue);
    }
    void TearDown() override { reset_program(); }

    std::vector<std::string> effect_kinds() const {
        std::vector<std::string> out;
        for (const auto& e : windows->effects()) out.push_back(e.fields["effect"].get<std::string>());
        return out;
    }
    host::WindowInstance& main() { return *runtime->start_window_instance(); }
    host::UnitState& state(const UnitRef& u) { return *runtime->newest(u.window)->find(u.id); }
    long count(const std::string& entry) {
        return std::count(handler_log().begin(), handler_log().end(), entry);
    }

    Queue queue;
    std::unique_ptr<host::headless::HeadlessProgram> program;
    const host::LoadedImage* loaded = nullptr;
    host::Runtime* runtime = nullptr;
    host::headless::HeadlessWindowSystem* windows = nullptr;
};

TEST_F(RuntimeTest, LoadingReadsTheEntrySequenceAndDesigns) {
    EXPECT_EQ(loaded->start.start_window, kMain);
    EXPECT_EQ(loaded->start.cleanup_releases, std::vector<std::uint32_t>{0});
    const host::WindowDesign* main_design = loaded->design.find(kMain);
    ASSERT_NE(main_design, nullptr);
    // A unit in a group box stands at its place plus the group box's.
    const image::Place p = main_design->client_place(*main_design->find(kGroupButton.id));
    EXPECT_EQ(p.left, 22);
    EXPECT_EQ(p.top, 202);
    EXPECT_EQ(main_design->find(kMenuAbout.id)->menu_handler, std::optional<std::uint32_t>(menu_about));
    EXPECT_FALSE(main_design->find(kMenuTop.id)->menu_handler);
    EXPECT_EQ(main_design->find(kList.id)->handler(image::event::double_clicked),
              std::optional<std::uint32_t>(list_dblclick));
}

TEST(ImageLoading, MismatchedBindingsAreRefusedNamingTheField) {
    struct Case {
        const char* what;
        std::function<void(image::FormData&)> change;
        std::size_t table_size;
        const char* reason;
    };
    auto binding = [](image::FormData& f, std::uint32_t unit_id) -> image::EventBinding& {
        return f.find_window(kMain)->find_unit(unit_id)->unit()->bindings.front();
    };
    const Case cases[] = {
        {"an offset that holds no handler routine",
         // The code's last byte: inside the code, too short for a routine.
         [&](image::FormData& f) { binding(f, kButton.id).handler = 0xe0; }, handler_count,
         "does not hold a handler routine"},
        {"a mouse event bound to a handler without arguments",
         [&](image::FormData& f) { binding(f, kList.id).handler = button_clicked; }, handler_count,
         "argument count"},
        {"a handler the table does not have", [](image::FormData&) {}, popup_tick,
         "handler table does not have"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        image::FormData form = contract_form();
        c.change(form);
        const auto bytes = make_image(form);
        auto result = host::headless::load_headless_image(bytes, handler_table().first(c.table_size));
        ASSERT_FALSE(result);
        EXPECT_NE(result.error().message().find(c.reason), std::string::npos) << result.error().message();
        EXPECT_NE(result.error().message().find("unit 0x"), std::string::npos) << result.error().message();
    }
    std::vector<std::uint8_t> truncated = make_image();
    truncated.resize(truncated.size() / 2);
    EXPECT_FALSE(host::headless::HeadlessProgram::load(truncated, handler_table(), kT0, "/nonexistent-dir"));
}

TEST(ImageLoading, EntryRoutineThatNeverCreatesTheStartWindowIsRefused) {
    // cld; call <a thunk of the run-until-end slot>
    std::vector<std::uint8_t> code = {0xFC, 0xE8, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x25, 0x24, 0, 0, 0};
    const std::uint32_t reloc = (8u << 3) | 0u;
    auto facts = host::decode_entry_routine(code, std::span(&reloc, 1), 0);
    ASSERT_FALSE(facts);
    EXPECT_NE(facts.error().message().find("entry routine"), std::string::npos);
}

TEST_F(RuntimeTest, StartShowsTheMainWindowAfterItsCreationHandler) {
    on(main_created, [](host::Host& host, const std::uint32_t*) {
        host.write_property(kMain, kLabel.id, host::property::label_caption, -1,
                            reinterpret_cast<std::uintptr_t>("10:"), 0);
    });
    runtime->start();
    ASSERT_FALSE(windows->effects().empty());
    const Json& open = windows->effects().back().fields;
    EXPECT_EQ(open["effect"], "open");
    EXPECT_EQ(open["window"], "main");
    EXPECT_EQ(open["labels"][0]["text"], "10:");
    EXPECT_EQ(open["labels"][0]["size"], 42);
    EXPECT_EQ(open["labels"][0]["colour"], "#C60005");
}

TEST_F(RuntimeTest, SecondTimerFallsOnEveryBoundaryOnceAndNeverCatchesUp) {
    std::vector<std::int64_t> at;
    on(tick, [&](host::Host&, const std::uint32_t*) { at.push_back(program->clock().now()); });
    runtime->start();  // at 10:00:00.250
    windows->advance(2000);
    EXPECT_EQ(at, (std::vector<std::int64_t>{kT0 + 1000, kT0 + 2000}));
    // A jump forward by an hour: the next tick is the next boundary, nothing in between.
    at.clear();
    windows->set_clock(kT0 + 3600000 + 500);
    windows->advance(1000);
    EXPECT_EQ(at, (std::vector<std::int64_t>{kT0 + 3601000}));
    // A jump back into a second already handled does not handle it again.
    at.clear();
    windows->set_clock(kT0 + 3601500);
    runtime->timer_fired({main().serial, kTimer.id});
    EXPECT_TRUE(at.empty());
}

TEST_F(RuntimeTest, ClicksMoveRadioGroupsToggleCheckBoxesAndSkipDisabledButtons) {
    runtime->start();
    EXPECT_TRUE(runtime->click(main(), state(kRadio2)));
    EXPECT_FALSE(state(kRadio1).checked);
    EXPECT_TRUE(state(kRadio2).checked);
    runtime->click(main(), state(kCheck));
    EXPECT_FALSE(state(kCheck).checked);
    state(kButton).disabled = true;
    EXPECT_FALSE(runtime->click(main(), state(kButton)));
    EXPECT_EQ(count("button_clicked"), 0);
    EXPECT_EQ(effect_kinds().back(), "refused");
    EXPECT_EQ(count("check_clicked"), 1);
}

TEST_F(RuntimeTest, AHandlerHookStandsAroundEveryHandlerUntilTakenAway) {
    struct Recorder final : host::HandlerHook {
        std::vector<std::string> seen;
        void run(const host::HandlerEntry& entry, host::Host& host, const std::uint32_t* args) override {
            seen.push_back(entry.name);
            entry.fn(host, args);
        }
    } recorder;
    runtime->set_handler_hook(&recorder);
    runtime->start();
    runtime->click(main(), state(kButton));
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"main_created", "button_clicked"}));
    EXPECT_EQ(count("button_clicked"), 1);  // the hook ran the handler
    runtime->set_handler_hook(nullptr);
    runtime->click(main(), state(kButton));
    EXPECT_EQ(recorder.seen.size(), 2u);
    EXPECT_EQ(count("button_clicked"), 2);
}

TEST_F(RuntimeTest, ModalWindowReturnsWhenClosedRefusesInputBeneathAndTimersGoOn) {
    on(main_rclick, [](host::Host& host, const std::uint32_t*) {
        const host::ArgRecord a[] = {unit(kMainSelf), unit(kMenuTop), host::omitted_arg(),
                                     host::omitted_arg()};
        host.call_core(cmd::popup_menu, a);
    });
    on(menu_about, [](host::Host& host, const std::uint32_t*) {
        const host::ArgRecord a[] = {unit(kPopupSelf), host::omitted_arg(), host::logical_arg(true)};
        host.call_core(cmd::open_window, a);
        handler_log().push_back("about returned");
    });
    on(popup_rclick, [](host::Host& host, const std::uint32_t*) {
        const host::ArgRecord a[] = {unit(kPopupSelf), host::omitted_arg()};
        host.call_core(cmd::close_window, a);
    });
    runtime->start();
    queue.steps = {
        [&] { EXPECT_FALSE(runtime->click(main(), state(kButton))); },
        [&] { windows->advance(3000); },
        [&] { runtime->right_click(*runtime->newest(kPopup)); },
    };
    runtime->right_click(main());
    ASSERT_TRUE(runtime->popped_menu());
    EXPECT_TRUE(runtime->choose_menu_item("About"));
    EXPECT_EQ(count("button_clicked"), 0);
    EXPECT_EQ(count("tick"), 3);
    const auto& log = handler_log();
    const auto closed = std::find(log.begin(), log.end(), "popup_destroying");
    ASSERT_NE(closed, log.end());
    EXPECT_EQ(*(closed + 1), "about returned");
    EXPECT_FALSE(runtime->newest(kPopup));
    EXPECT_TRUE(runtime->click(main(), state(kButton)));
}

TEST_F(RuntimeTest, AMenuChoiceNamesItsItemSoTwoItemsOfOneCaptionStayApart) {
    on(main_rclick, [](host::Host& host, const std::uint32_t*) {
        const host::ArgRecord a[] = {unit(kMainSelf), unit(kMenuTop), host::omitted_arg(),
                                     host::omitted_arg()};
        host.call_core(cmd::popup_menu, a);
    });
    runtime->start();
    state(kMenuExit).text = "About";
    runtime->right_click(main());
    ASSERT_TRUE(runtime->popped_menu());
    EXPECT_TRUE(runtime->choose_menu_item(kMenuExit.id));
    EXPECT_EQ(count("menu_exit"), 1);
    EXPECT_EQ(count("menu_about"), 0);
    // A choice closes the menu: the same choice again finds none.
    EXPECT_FALSE(runtime->choose_menu_item(kMenuExit.id));
    EXPECT_EQ(count("menu_exit"), 1);
}

TEST_F(RuntimeTest, EachOpeningIsItsOwnWindowAndItsHandlersAddressIt) {
    on(popup_rclick, [](host::Host& host, const std::uint32_t*) {
        const host::ArgRecord a[] = {unit(kPopupSelf), host::omitted_arg()};
        host.call_core(cmd::close_window, a);
    });
    runtime->start();
    const host::ArgRecord open[] = {unit(kPopupSelf), host::omitted_arg(), host::logical_arg(false)};
    runtime->call_core(cmd::open_window, open);
    auto* first = runtime->newest(kPopup);
    runtime->call_core(cmd::open_window, open);
    auto* second = runtime->newest(kPopup);
    ASSERT_NE(first, second);
    // A right click on the older one closes that one, not the newest.
    runtime->right_click(*first);
    ASSERT_EQ(runtime->newest(kPopup), second);
    EXPECT_EQ(runtime->open_windows().size(), 2u);
}

TEST_F(RuntimeTest, ClosingTheStartWindowEndsTheProgramWithItsPopupsAndCleansUp) {
    on(menu_exit, [](host::Host& host, const std::uint32_t*) {
        const host::ArgRecord a[] = {unit(kMainSelf), host::omitted_arg()};
        host.call_core(cmd::close_window, a);
    });
    on(main_rclick, [](host::Host& host, const std::uint32_t*) {
        const host::ArgRecord a[] = {unit(kMainSelf), unit(kMenuTop), host::omitted_arg(),
                                     host::omitted_arg()};
        host.call_core(cmd::popup_menu, a);
    });
    on(button_clicked, [](host::Host& host, const std::uint32_t*) {
        // Holds a global text, as a reminder message does.
        *host.global_slot(0) = host::new_text(host, "message");
        const host::ArgRecord a[] = {unit(kPopupSelf), host::omitted_arg(), host::logical_arg(false)};
        host.call_core(cmd::open_window, a);
    });
    queue.steps = {
        [&] { runtime->click(main(), state(kButton)); },
        [&] { runtime->right_click(main()); },
        [&] { runtime->choose_menu_item("Exit"); },
        [&] { ADD_FAILURE() << "the loop went on after the start-up window closed"; },
    };
    EXPECT_TRUE(runtime->run_entry_sequence());
    EXPECT_EQ(count("popup_destroying"), 1);
    EXPECT_TRUE(runtime->open_windows().empty());
    EXPECT_TRUE(program->memory().balanced());
    const auto kinds = effect_kinds();
    EXPECT_EQ(kinds.back(), "exit");
    EXPECT_EQ(*(kinds.end() - 3), "close");  // the popup first, then the main window
}

TEST_F(RuntimeTest, MalformedCallsAnswerNothingAndAreReported) {
    runtime->start();
    EXPECT_EQ(runtime->read_property(kMain, 0x16999999, 8, -1), 0u);
    EXPECT_EQ(runtime->read_property(kPopup, kPopupLabel.id, 8, -1), 0u);  // not open
    const host::ArgRecord wrong[] = {unit(kEdit), host::int_arg(0)};
    EXPECT_EQ(runtime->call_core(cmd::list_count, wrong), 0u);
    EXPECT_EQ(runtime->call_core(0xFFF, {}), 0u);
    const auto kinds = effect_kinds();
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), "host_error"), 4);
}

TEST_F(RuntimeTest, ATextSetShortLetsGoOfTheLongTextItHeld) {
    // A hidden edit box that once held a table of many megabytes must not keep its buffer for
    // the rest of the run after the program empties it.
    runtime->start();
    const auto set = [&](const char* text) {
        runtime->write_property(kMain, kEdit.id, host::property::edit_content, -1,
                                reinterpret_cast<std::uintptr_t>(text), 0);
    };
    const std::string table(1 << 20, 'x');
    set(table.c_str());
    void* read = reinterpret_cast<void*>(static_cast<std::uintptr_t>(
        runtime->read_property(kMain, kEdit.id, host::property::edit_content, -1)));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(std::string_view(static_cast<const char*>(read)), table);
    program->memory().release(read);
    set("");
    EXPECT_EQ(state(kEdit).text, "");
    EXPECT_LT(state(kEdit).text.capacity(), 1024u);
}

TEST(HeadlessPaths, BackslashesBecomeSlashesExceptInsideDoubleByteCharacters) {
    host::headless::VirtualClock clock;
    host::headless::HeadlessWindowSystem windows(clock, "/tmp/a\\b");
    EXPECT_EQ(windows.local_path("/tmp/a\\b\\data.ini"), "/tmp/a\\b/data.ini");
    // 0x5C as the second byte of a GBK character stays.
    EXPECT_EQ(windows.local_path("c:\\\x95\x5C\\x.mp3"), "c:/\x95\x5C/x.mp3");
}

}  // namespace
}  // namespace tockly
