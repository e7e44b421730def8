// Tockly's handlers run against an in-memory host: what they leave in the controls, the list, the
// data file and the log of effects. After every test each block the host handed out has been
// released exactly once (the reminder message excepted: it lives until the program ends).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/handler_ids.h"
#include "app/handler_table.h"
#include "app/units.h"
#include "fake_host.h"

namespace tockly::app {
namespace {

namespace prop = host::property;
using testing::BoundConstants;
using testing::FakeHost;
using Rows = std::vector<std::string>;

const std::string kReminder = "     温馨提示    ";
const std::string kProgram = "     运行程序    ";
const std::string kShutdown = "     定时关机    ";
const std::string kNotice = "时间到达后将在5秒后关机！";

class Handlers : public ::testing::Test {
  protected:
    void run(HandlerId id, const std::uint32_t* args = nullptr) {
        handler_table()[static_cast<std::uint32_t>(id)].fn(host, args);
    }
    void choose(const Unit& combo, HandlerId handler, int index) {
        host.set_number(combo, prop::combo_selection, index);
        run(handler);
    }
    void select(int index) { host.set_number(列表框1, prop::list_selection, index); }
    bool has_effect(const std::string& e) const {
        return std::find(host.effects.begin(), host.effects.end(), e) != host.effects.end();
    }
    void TearDown() override {
        EXPECT_EQ(host.live_blocks(), host.global != nullptr ? 1u : 0u)
            << "a text the host returned was kept";
        EXPECT_EQ(host.bad_releases, 0);
    }

    BoundConstants constants;
    FakeHost host;
};

// --- start-up and the table in data.ini --------------------------------------------------------

TEST_F(Handlers, StartUpLoadsTheRingtoneAndTheRowsThenShowsTheTime) {
    host.ini["铃声"] = "D:\\ring\\bell.mp3";
    host.ini["时表"] = "08:05:00" + kReminder + "开会@23:30:00" + kShutdown + kNotice + "@";
    host.set_time(9, 5, 7);
    run(HandlerId::on_main_created);

    EXPECT_EQ(host.rows, (Rows{"08:05:00" + kReminder + "开会", "23:30:00" + kShutdown + kNotice}));
    EXPECT_EQ(host.text(编辑框5), "D:\\ring\\bell.mp3");
    EXPECT_EQ(host.text(编辑框读表), "");
    EXPECT_EQ(host.text(标签1) + host.text(标签2) + host.text(标签3), "09:05:07");
    ASSERT_GE(host.effects.size(), 2u);
    EXPECT_EQ(host.effects[0], "library 1/0(3)");
    EXPECT_EQ(host.effects[1], "focus " + std::to_string(组合框1.id));
    EXPECT_EQ(host.ini_writes, 0);
}

TEST_F(Handlers, TableValuesLoadAsRows) {
    const struct {
        std::string value;
        Rows rows;
    } cases[] = {
        {"", {}},
        {"A@B@", {"A", "B"}},
        {"A@B", {"A", "B"}},
        {"A@A@", {"A", "A"}},
    };
    for (const auto& c : cases) {
        FakeHost fresh;
        fresh.ini["时表"] = c.value;
        handler_table()[static_cast<std::uint32_t>(HandlerId::on_main_created)].fn(fresh, nullptr);
        EXPECT_EQ(fresh.rows, c.rows) << c.value;
        EXPECT_EQ(fresh.live_blocks(), 0u);
    }
}

TEST_F(Handlers, AnEntryDueInTheStartUpSecondFiresAfterLoading) {
    host.ini["时表"] = "08:30:00" + kReminder + "开会@";
    host.set_time(8, 30, 0);
    run(HandlerId::on_main_created);
    EXPECT_TRUE(has_effect("open popup"));
    EXPECT_TRUE(has_effect("popup 8/-1 = 闹钟提示: 开会"));
}

// --- adding, modifying, deleting ---------------------------------------------------------------

TEST_F(Handlers, AddByTimePutsTheRowOnTopAndSavesTheTableOnce) {
    host.rows = {"X"};
    choose(组合框1, HandlerId::on_hour_chosen, 6);     // "07"
    choose(组合框2, HandlerId::on_minute_chosen, 4);   // "05"
    choose(组合框3, HandlerId::on_second_chosen, 59);  // the last item is "00"
    host.set_text(编辑框1, "开会@3楼");
    run(HandlerId::on_add);

    const std::string row = "07:05:00" + kReminder + "开会＠3楼";  // "@" would end the row in the file
    EXPECT_EQ(host.rows, (Rows{row, "X"}));
    EXPECT_EQ(host.ini["时表"], row + "@X@");
    EXPECT_EQ(host.text(编辑框写表), row + "@X@");
    EXPECT_EQ(host.ini_writes, 1);
}

TEST_F(Handlers, CountdownAddsMinutesToNowAndWrapsPastMidnight) {
    const struct {
        int h, m, s;
        std::string minutes, time_text;
    } cases[] = {{23, 50, 10, "15", "00:05:10"}, {9, 3, 7, "5", "09:08:07"}};
    for (const auto& c : cases) {
        host.rows.clear();
        host.set_time(c.h, c.m, c.s);
        host.set_text(编辑框4, c.minutes);
        run(HandlerId::on_countdown_typed);
        EXPECT_EQ(host.number(组合框1, prop::disabled), 1);
        run(HandlerId::on_add);
        ASSERT_EQ(host.rows.size(), 1u);
        EXPECT_EQ(host.rows[0].substr(0, 8), c.time_text);
        EXPECT_EQ(host.number(组合框1, prop::disabled), 0);
        EXPECT_EQ(host.number(组合框3, prop::disabled), 0);
        EXPECT_EQ(host.text(编辑框4), "");
    }
}

TEST_F(Handlers, ModifyReplacesTheRememberedRowEvenWhenRowsAndSelectionMoved) {
    const Rows rows = {"01:00:00" + kReminder + "a", "02:00:00" + kReminder + "b",
                       "03:00:00" + kShutdown + kNotice};
    host.rows = rows;
    select(2);
    run(HandlerId::on_list_dblclick);
    EXPECT_EQ(host.text(标签10), "改");
    EXPECT_EQ(host.number(单选框3, prop::checked), 1);
    EXPECT_EQ(host.number(单选框1, prop::checked), 0);
    EXPECT_EQ(host.text(编辑框3), kNotice);
    EXPECT_EQ(host.number(按钮1, prop::disabled), 1);
    EXPECT_EQ(host.number(按钮2, prop::disabled), 1);
    EXPECT_EQ(host.number(按钮4, prop::disabled), 0);

    // A countdown entry goes in on top while modifying; modify mode stays.
    host.set_time(12, 0, 0);
    host.set_text(编辑框4, "5");
    run(HandlerId::on_add);
    EXPECT_EQ(host.rows.size(), 4u);
    EXPECT_EQ(host.text(标签10), "改");
    EXPECT_EQ(host.text(编辑框索引), "3");

    select(0);                                         // the user clicks another row before saving
    choose(组合框2, HandlerId::on_minute_chosen, 29);  // minute "30"
    run(HandlerId::on_save_changes);
    EXPECT_EQ(host.rows[3], "03:30:00" + kShutdown + kNotice);
    EXPECT_EQ(host.rows[1], rows[0]);
    EXPECT_EQ(host.rows[2], rows[1]);
    EXPECT_EQ(host.text(标签10), "");
    EXPECT_EQ(host.number(按钮1, prop::disabled), 0);
    EXPECT_EQ(host.number(按钮2, prop::disabled), 0);
    EXPECT_EQ(host.number(按钮4, prop::disabled), 1);
    EXPECT_EQ(host.ini["时表"], host.rows[0] + "@" + rows[0] + "@" + rows[1] + "@" + host.rows[3] + "@");
}

TEST_F(Handlers, SaveChangesWithNothingSelectedOnlyAsks) {
    host.rows = {"X"};
    host.set_text(标签10, "改");
    run(HandlerId::on_save_changes);
    EXPECT_EQ(host.effects, (std::vector<std::string>{"message 请双击要修改的行！"}));
    EXPECT_EQ(host.rows, (Rows{"X"}));
    EXPECT_EQ(host.text(标签10), "改");
    EXPECT_EQ(host.ini_writes, 0);
}

TEST_F(Handlers, DoubleClickBesideTheRowsIsIgnored) {
    host.rows = {"01:00:00" + kReminder + "a"};
    run(HandlerId::on_list_dblclick);
    EXPECT_EQ(host.text(标签10), "反馈提示");
    EXPECT_EQ(host.text(编辑框索引), "现行索引");
    EXPECT_EQ(host.number(按钮4, prop::disabled), 0);  // never written
    EXPECT_EQ(host.text(标签一), "");
}

TEST_F(Handlers, DoubleClickLoadsAtMost60BytesWithoutSplittingACharacter) {
    const std::string path = std::string(59, 'p') + "开x";
    host.rows = {"06:07:08" + kProgram + path};
    select(0);
    run(HandlerId::on_list_dblclick);
    EXPECT_EQ(host.text(编辑框2), std::string(59, 'p'));
    EXPECT_EQ(host.text(标签一) + host.text(标签二) + host.text(标签三), "060708");
    EXPECT_EQ(host.number(单选框2, prop::checked), 1);
    EXPECT_EQ(host.number(单选框1, prop::checked), 0);
    EXPECT_EQ(host.text(编辑框索引), "0");
}

TEST_F(Handlers, DeletingTheLastRowSavesAnEmptyTable) {
    host.rows = {"A", "B"};
    host.ini["时表"] = "A@B@";
    select(0);
    run(HandlerId::on_delete);
    EXPECT_EQ(host.ini["时表"], "B@");
    run(HandlerId::on_delete);
    EXPECT_TRUE(host.rows.empty());
    EXPECT_EQ(host.ini["时表"], "");
    EXPECT_EQ(host.ini_writes, 2);
}

// --- file dialogs --------------------------------------------------------------------------------

TEST_F(Handlers, ACancelledDialogChangesNothing) {
    host.set_text(编辑框5, "D:\\old.mp3");
    host.next_dialog_chosen = false;
    run(HandlerId::on_choose_ringtone);
    run(HandlerId::on_program_radio);
    EXPECT_EQ(host.text(编辑框5), "D:\\old.mp3");
    EXPECT_EQ(host.text(编辑框2), "---- 选择要运行的程序 ----");
    EXPECT_EQ(host.ini_writes, 0);
}

TEST_F(Handlers, AChosenRingtoneIsShownAndSaved) {
    host.next_dialog_file = "D:\\ring\\新铃声.mp3";
    run(HandlerId::on_choose_ringtone);
    EXPECT_EQ(host.text(编辑框5), "D:\\ring\\新铃声.mp3");
    EXPECT_EQ(host.ini["铃声"], "D:\\ring\\新铃声.mp3");
}

TEST_F(Handlers, AChosenProgramPathWithABlankIsQuotedForStart) {
    host.next_dialog_file = "C:\\Program Files\\app.exe";
    run(HandlerId::on_program_radio);
    EXPECT_EQ(host.text(编辑框2), "\"\" \"C:\\Program Files\\app.exe\"");
    host.next_dialog_file = "C:\\tools\\app.exe";
    run(HandlerId::on_program_radio);
    EXPECT_EQ(host.text(编辑框2), "C:\\tools\\app.exe");
}

// --- the tick ---------------------------------------------------------------------------------------

TEST_F(Handlers, TickShowsTheTimeAsTwoDigitParts) {
    const struct {
        int h, m, s;
        const char *l1, *l2, *l3;
    } cases[] = {
        {9, 5, 7, "09:", "05:", "07"}, {0, 0, 1, "00:", "00:", "01"}, {23, 59, 59, "23:", "59:", "59"}};
    for (const auto& c : cases) {
        host.set_time(c.h, c.m, c.s);
        run(HandlerId::on_tick);
        EXPECT_EQ(host.text(标签1), c.l1);
        EXPECT_EQ(host.text(标签2), c.l2);
        EXPECT_EQ(host.text(标签3), c.l3);
    }
}

TEST_F(Handlers, TickFiresDueRowsInListOrderThenTheChime) {
    const std::string long_path =
        "C:\\Program Files\\" + std::string(42, 'p') + "开.exe";  // byte 60 is 开's lead
    host.rows = {
        "14:00:00" + kReminder + std::string(39, 'm') + "开会",
        "14:00:01" + kReminder + "not yet",
        "14:00:00" + kProgram + long_path,
        "14:00:00" + kShutdown + kNotice,
        "14:00:0",  // too short to ever fire
    };
    host.set_time(14, 0, 0);
    run(HandlerId::on_tick);
    EXPECT_EQ(host.effects, (std::vector<std::string>{
                                "open popup",
                                "mp3  failed",
                                "popup 8/-1 = 闹钟提示: " + std::string(39, 'm'),
                                "popup 15/5 = 11",
                                "run cmd /cstart C:\\Program Files\\" + std::string(42, 'p'),
                                "run cmd /cshutdown -s -t 5",
                                "open popup",
                                "popup 8/-1 = 现在时间: 14:00:00",
                                "popup 16/-1 = 16711935",
                                "play chime repeat=1",
                                "popup 8/-1 = 5000",
                            }));
    EXPECT_EQ(host.text(选择框1, prop::check_caption), "取消报时");
    EXPECT_EQ(host.rows.size(), 5u) << "rows stay after firing";
}

TEST_F(Handlers, EachReminderReplacesTheMessage) {
    host.rows = {"08:30:00" + kReminder + "first", "08:30:00" + kReminder + "second"};
    host.set_time(8, 30, 0);
    run(HandlerId::on_tick);
    EXPECT_TRUE(has_effect("popup 8/-1 = 闹钟提示: first"));
    EXPECT_TRUE(has_effect("popup 8/-1 = 闹钟提示: second"));
    EXPECT_STREQ(static_cast<const char*>(host.global), "second");
}

TEST_F(Handlers, TheChimeOnlyWhenCheckedAndOnlyOnTheFullHour) {
    host.set_time(15, 0, 0);
    host.set_number(选择框1, prop::checked, 0);
    run(HandlerId::on_tick);
    EXPECT_EQ(host.text(选择框1, prop::check_caption), "整点报时");
    EXPECT_FALSE(has_effect("open popup"));
    host.set_number(选择框1, prop::checked, 1);
    host.set_time(15, 1, 0);
    run(HandlerId::on_tick);
    EXPECT_EQ(host.text(选择框1, prop::check_caption), "取消报时");
    EXPECT_FALSE(has_effect("open popup"));
}

// --- the popup --------------------------------------------------------------------------------------

TEST_F(Handlers, AReminderPlaysTheRingtoneOrTheChimeWhenTheRingtoneCannotPlay) {
    host.playable_mp3 = {"D:\\good.mp3"};
    const struct {
        std::string ringtone;
        std::vector<std::string> sound;
    } cases[] = {
        {"D:\\good.mp3", {"mp3 D:\\good.mp3 playing"}},
        {"D:\\missing.mp3", {"mp3 D:\\missing.mp3 failed", "play chime repeat=1"}},
        {"", {"mp3  failed"}},
    };
    for (const auto& c : cases) {
        host.effects.clear();
        host.set_text(编辑框5, c.ringtone);
        host.set_text(标签9, "0");
        run(HandlerId::on_popup_created);
        host.effects.resize(c.sound.size());
        EXPECT_EQ(host.effects, c.sound) << c.ringtone;
    }
}

TEST_F(Handlers, AboutOpensTheCreditsModallyAndClosingStopsTheSound) {
    run(HandlerId::on_about);
    ASSERT_GE(host.effects.size(), 3u);
    EXPECT_EQ(host.effects[0], "open popup modal");
    EXPECT_EQ(host.effects[1].substr(0, 20), "popup 8/-1 = Tockly ");
    EXPECT_EQ(host.effects[2], "popup 15/5 = 15");
    host.effects.clear();
    run(HandlerId::on_popup_timer);
    run(HandlerId::on_popup_rclick);
    EXPECT_EQ(host.effects,
              (std::vector<std::string>{"close popup", "stop sound", "close popup", "stop sound"}));
}

// --- the main window ----------------------------------------------------------------------------------

TEST_F(Handlers, MinimisingHidesBehindTheTrayAndKind3BringsItBack) {
    host.set_number(主窗口, prop::window_visible, 1);
    host.set_number(主窗口, prop::window_placement, 1);
    run(HandlerId::on_main_placement);
    EXPECT_TRUE(host.effects.empty());
    host.set_number(主窗口, prop::window_placement, 2);
    run(HandlerId::on_main_placement);
    EXPECT_EQ(host.effects, (std::vector<std::string>{"tray Tockly"}));
    EXPECT_EQ(host.number(主窗口, prop::window_visible), 0);

    const std::uint32_t other_kind = 1, restore_kind = 3;
    run(HandlerId::on_tray_notify, &other_kind);
    EXPECT_EQ(host.number(主窗口, prop::window_visible), 0);
    run(HandlerId::on_tray_notify, &restore_kind);
    EXPECT_EQ(host.number(主窗口, prop::window_visible), 1);
    EXPECT_EQ(host.number(主窗口, prop::window_placement), 1);
}

TEST_F(Handlers, RightClickPopsUpTheMenuAndExitClosesTheMainWindow) {
    const std::uint32_t mouse[3] = {10, 20, 0};
    run(HandlerId::on_main_rclick, mouse);
    run(HandlerId::on_exit);
    EXPECT_EQ(host.effects, (std::vector<std::string>{"menu", "close main"}));
}

}  // namespace
}  // namespace tockly::app
