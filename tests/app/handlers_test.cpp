// Tockly's handlers run on the headless host with Tockly's own image: every control, combo item,
// list row and file is the real host's, and input arrives as a user gives it (a click on a disabled
// button is refused, a selection follows its row). What the handlers leave in the controls, the
// list and data.ini is checked, and what a user would see or hear, in order. After every test each
// text the host handed out has been released exactly once.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/units.h"
#include "host/core/date_time.h"
#include "programs/headless-tockly/headless_tockly.h"
#include "tockly_version.h"

namespace tockly::app {
namespace {

using harness::HeadlessTockly;
using host::headless::Json;
using Rows = std::vector<std::string>;
using Effects = std::vector<std::string>;

const std::string kReminder = "     温馨提示    ";
const std::string kProgram = "     运行程序    ";
const std::string kShutdown = "     定时关机    ";
const std::string kNotice = "时间到达后将在5秒后关机！";
const std::string kTableKey = "时表";
const std::string kRingtoneKey = "铃声";

std::int64_t at(int h, int m, int s) {
    return host::make_date_time(2026, 12, 9, h, m, s);
}

// An effect in one line: its kind, then its fields as `name=value` (texts stay GBK).
std::string describe(const Json& value) {
    if (value.is_string()) return value.get<std::string>();
    std::string out;
    if (value.is_array()) {
        for (const Json& item : value) out += (out.empty() ? "" : ", ") + describe(item);
        return "[" + out + "]";
    }
    if (value.is_object()) {
        for (const auto& [key, item] : value.items()) {
            if (key == "effect") continue;
            out += (out.empty() ? "" : " ") + key + "=" + describe(item);
        }
        return value.contains("effect") ? value["effect"].get<std::string>() + " " + out : out;
    }
    return value.dump();
}

class Handlers : public ::testing::Test {
  protected:
    // Tockly started at `start_ms` with this data.ini (none when empty).
    HeadlessTockly& start(std::int64_t start_ms, const std::string& data_file = "") {
        check_and_drop();
        tockly_ = std::make_unique<HeadlessTockly>(start_ms, Rows{});
        if (!data_file.empty()) std::ofstream(tockly_->folder() / "data.ini", std::ios::binary) << data_file;
        tockly_->start();
        return *tockly_;
    }
    HeadlessTockly& start(std::int64_t start_ms, const Rows& rows) {
        return start(start_ms, table_file(rows));
    }
    static std::string table_file(const Rows& rows) {
        std::string value;
        for (const std::string& row : rows) value += row + "@";
        return "[表]\r\n" + kTableKey + "=" + value + "\r\n";
    }

    HeadlessTockly& t() { return *tockly_; }
    const std::string& text(const Unit& u) { return t().unit(u).text; }
    bool disabled(const Unit& u) { return t().unit(u).disabled; }
    bool checked(const Unit& u) { return t().unit(u).checked; }
    const Rows& rows() { return t().unit(列表框1).items; }
    void type(const Unit& edit, const std::string& s) {
        t().runtime().type_text(t().window_of(edit), t().unit(edit), s);
    }
    void double_click(const Unit& u) { t().runtime().double_click(t().window_of(u), t().unit(u)); }
    void right_click(std::uint32_t window_id) { t().runtime().right_click(*t().runtime().newest(window_id)); }
    void wait_ms(std::int64_t ms) { t().windows().advance(ms); }

    // An item of data.ini's table section as the file holds it now; "(none)" when it is not there.
    std::string stored(const std::string& key) {
        std::ifstream in(t().folder() / "data.ini", std::ios::binary);
        const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const std::size_t from = file.find("\n" + key + "=");
        if (from == std::string::npos) return "(none)";
        const std::size_t value = from + key.size() + 2;
        return file.substr(value, file.find("\r\n", value) - value);
    }

    // The effects recorded from `mark` on (an index into all of them), described.
    Effects effects(std::size_t mark = 0) {
        Effects out;
        const auto& all = t().windows().effects();
        for (std::size_t i = mark; i < all.size(); ++i) out.push_back(describe(all[i].fields));
        return out;
    }
    Effects effects_of_kind(const std::vector<std::string>& kinds, std::size_t mark = 0) {
        Effects out;
        const auto& all = t().windows().effects();
        for (std::size_t i = mark; i < all.size(); ++i)
            if (std::count(kinds.begin(), kinds.end(), all[i].fields.value("effect", "")))
                out.push_back(describe(all[i].fields));
        return out;
    }
    std::size_t mark() { return t().windows().effects().size(); }
    bool has_effect(const std::string& e) {
        const Effects all = effects();
        return std::find(all.begin(), all.end(), e) != all.end();
    }

    // The program's end as its clean-up routine would make it: every text handed out is back. No
    // input was turned away but what the test meant to be (a refused click would leave its handler
    // untested).
    void check_and_drop() {
        if (!tockly_) return;
        EXPECT_EQ(effects_of_kind({"refused"}).size(), refusals_expected_) << "input was turned away";
        refusals_expected_ = 0;
        if (!tockly_->runtime().finished()) tockly_->runtime().release_globals();
        EXPECT_EQ(tockly_->memory().live_blocks(), 0u) << "a text the host returned was kept";
        EXPECT_TRUE(tockly_->memory().problems().empty());
        EXPECT_FALSE(has_effect_kind("host_error")) << "a handler made a call the host refused";
        tockly_.reset();
    }
    void TearDown() override { check_and_drop(); }
    bool has_effect_kind(const std::string& kind) { return !effects_of_kind({kind}).empty(); }

    std::unique_ptr<HeadlessTockly> tockly_;
    std::size_t refusals_expected_ = 0;
};

const std::string kMainLabelsStart = "open window=main labels=[";

// --- start-up and the table in data.ini --------------------------------------------------------

TEST_F(Handlers, StartUpLoadsTheRingtoneAndTheRowsThenShowsTheTime) {
    start(at(9, 5, 7), "[表]\r\n" + kRingtoneKey + "=D:\\ring\\bell.mp3\r\n" + kTableKey + "=08:05:00" +
                           kReminder + "开会@23:30:00" + kShutdown + kNotice + "@\r\n");

    EXPECT_EQ(rows(), (Rows{"08:05:00" + kReminder + "开会", "23:30:00" + kShutdown + kNotice}));
    EXPECT_EQ(text(编辑框5), "D:\\ring\\bell.mp3");
    EXPECT_EQ(text(编辑框读表), "");
    EXPECT_EQ(text(标签1) + text(标签2) + text(标签3), "09:05:07");
    const Effects all = effects();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0], "visual_styles ");
    EXPECT_EQ(all[1], "focus window=main unit=组合框1");
    EXPECT_EQ(all[2].substr(0, kMainLabelsStart.size()), kMainLabelsStart);
    EXPECT_EQ(t().file_writes(), 0);
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
        start(at(10, 0, 0), "[表]\r\n" + kTableKey + "=" + c.value + "\r\n");
        EXPECT_EQ(rows(), c.rows) << c.value;
        EXPECT_EQ(t().memory().live_blocks(), 0u) << c.value;
    }
}

TEST_F(Handlers, AnEntryDueInTheStartUpSecondFiresAfterLoading) {
    start(at(8, 30, 0), Rows{"08:30:00" + kReminder + "开会"});
    EXPECT_TRUE(
        has_effect("open window=popup#1 labels=[name=标签 text=闹钟提示: 开会 size=11 colour=#00FFFF]"))
        << ::testing::PrintToString(effects());
}

// --- adding, modifying, deleting ---------------------------------------------------------------

TEST_F(Handlers, AddByTimePutsTheRowOnTopAndSavesTheTableOnce) {
    start(at(10, 0, 0), Rows{"X"});
    t().choose(组合框1, 6);   // "07"
    t().choose(组合框2, 4);   // "05"
    t().choose(组合框3, 59);  // the last item is "00"
    type(编辑框1, "开会@3楼");
    t().click(按钮1);

    const std::string row = "07:05:00" + kReminder + "开会＠3楼";  // "@" would end the row in the file
    EXPECT_EQ(rows(), (Rows{row, "X"}));
    EXPECT_EQ(stored(kTableKey), row + "@X@");
    EXPECT_EQ(text(编辑框写表), row + "@X@");
    EXPECT_EQ(t().file_writes(), 1);
}

TEST_F(Handlers, CountdownAddsMinutesToNowAndWrapsPastMidnight) {
    const struct {
        std::int64_t now;
        std::string minutes, time_text;
    } cases[] = {{at(23, 50, 10), "15", "00:05:10"}, {at(9, 3, 7), "5", "09:08:07"}};
    for (const auto& c : cases) {
        start(c.now);
        type(编辑框4, c.minutes);
        EXPECT_TRUE(disabled(组合框1));
        t().click(按钮1);
        ASSERT_EQ(rows().size(), 1u);
        EXPECT_EQ(rows()[0].substr(0, 8), c.time_text);
        EXPECT_FALSE(disabled(组合框1));
        EXPECT_FALSE(disabled(组合框3));
        EXPECT_EQ(text(编辑框4), "");
    }
}

TEST_F(Handlers, ModifyReplacesTheRememberedRowEvenWhenRowsAndSelectionMoved) {
    const Rows original = {"01:00:00" + kReminder + "a", "02:00:00" + kReminder + "b",
                           "03:00:00" + kShutdown + kNotice};
    start(at(12, 0, 0), original);
    t().select(列表框1, 2);
    double_click(列表框1);
    EXPECT_EQ(text(标签10), "改");
    EXPECT_TRUE(checked(单选框3));
    EXPECT_FALSE(checked(单选框1));
    EXPECT_EQ(text(编辑框3), kNotice);
    EXPECT_TRUE(disabled(按钮1));
    EXPECT_TRUE(disabled(按钮2));
    EXPECT_FALSE(disabled(按钮4));

    // While modifying, "保存修改" with minutes typed puts a countdown entry on top; modify mode stays.
    t().click(按钮1);
    EXPECT_EQ(rows().size(), 3u) << "adding is refused while modifying";
    refusals_expected_ = 1;
    type(编辑框4, "5");
    t().click(按钮4);
    EXPECT_EQ(rows().size(), 4u);
    EXPECT_EQ(text(标签10), "改");
    EXPECT_EQ(text(编辑框索引), "3");

    t().select(列表框1, 0);   // the user clicks another row before saving
    t().choose(组合框2, 29);  // minute "30"
    t().click(按钮4);
    EXPECT_EQ(rows()[3], "03:30:00" + kShutdown + kNotice);
    EXPECT_EQ(rows()[1], original[0]);
    EXPECT_EQ(rows()[2], original[1]);
    EXPECT_EQ(text(标签10), "");
    EXPECT_FALSE(disabled(按钮1));
    EXPECT_FALSE(disabled(按钮2));
    EXPECT_TRUE(disabled(按钮4));
    EXPECT_EQ(stored(kTableKey), rows()[0] + "@" + original[0] + "@" + original[1] + "@" + rows()[3] + "@");
}

TEST_F(Handlers, SaveChangesWithNothingSelectedOnlyAsks) {
    start(at(10, 0, 0), Rows{"X"});
    t().select(列表框1, 0);
    double_click(列表框1);
    t().select(列表框1, -1);
    const std::size_t from = mark();
    t().click(按钮4);
    EXPECT_EQ(effects(from), (Effects{"message_box text=请双击要修改的行！ buttons=0"}));
    EXPECT_EQ(rows(), (Rows{"X"}));
    EXPECT_EQ(text(标签10), "改");
    EXPECT_EQ(t().file_writes(), 0);
}

TEST_F(Handlers, DoubleClickBesideTheRowsIsIgnored) {
    start(at(10, 0, 0), Rows{"01:00:00" + kReminder + "a"});
    double_click(列表框1);
    EXPECT_EQ(text(标签10), "反馈提示");
    EXPECT_EQ(text(编辑框索引), "现行索引");
    EXPECT_TRUE(disabled(按钮4));
    EXPECT_EQ(text(标签一), "");
}

// Message fields around the popup's 40 bytes and the 60 bytes where a field used to be cut, and
// far beyond: ASCII, Chinese, and ASCII with a Chinese character across bytes 60 and 61.
Rows long_fields() {
    Rows fields;
    for (const std::size_t bytes : {59u, 60u, 61u, 120u, 300u}) {
        fields.push_back(std::string(bytes, 'a'));
        std::string chinese;
        while (chinese.size() + 2 <= bytes) chinese += "路";
        fields.push_back(chinese + std::string(bytes - chinese.size(), 'z'));
        if (bytes >= 61) fields.push_back(std::string(59, 'p') + "开" + std::string(bytes - 61, 'q'));
    }
    return fields;
}

TEST_F(Handlers, DoubleClickLoadsTheWholeFieldAndASaveWithoutChangeKeepsTheRow) {
    for (const std::string& field : long_fields()) {
        for (const auto& [function, message_box, radio] :
             {std::tuple{kReminder, &编辑框1, &单选框1}, std::tuple{kProgram, &编辑框2, &单选框2}}) {
            const std::string row = "06:07:08" + function + field;
            start(at(10, 0, 0), Rows{"X", row});
            t().select(列表框1, 1);
            double_click(列表框1);
            EXPECT_EQ(text(*message_box), field);
            EXPECT_EQ(text(标签一) + text(标签二) + text(标签三), "060708");
            EXPECT_TRUE(checked(*radio));
            EXPECT_EQ(text(编辑框索引), "1");

            t().click(按钮4);
            EXPECT_EQ(rows(), (Rows{"X", row})) << field.size() << " bytes";
            EXPECT_EQ(stored(kTableKey), "X@" + row + "@") << field.size() << " bytes";
        }
    }
}

TEST_F(Handlers, ARunProgramEntryStartsTheWholeStoredPath) {
    Rows paths = long_fields();
    const std::string quoted = "\"\" \"C:\\Program Files\\" + std::string(100, 'v') + "\\工具.exe\"";
    paths.push_back(quoted);  // a chosen path keeps its closing quote
    for (const std::string& path : paths) {
        start(at(13, 59, 58), Rows{"13:59:59" + kProgram + path});
        const std::size_t from = mark();
        wait_ms(1000);
        EXPECT_EQ(effects_of_kind({"run"}, from),
                  (Effects{"run command=cmd /cstart " + path + " wait=false show=1"}))
            << path.size() << " bytes";
    }
}

TEST_F(Handlers, DeletingTheLastRowSavesAnEmptyTable) {
    start(at(10, 0, 0), Rows{"A", "B"});
    t().select(列表框1, 0);
    t().click(按钮2);
    EXPECT_EQ(stored(kTableKey), "B@");
    t().select(列表框1, 0);
    t().click(按钮2);
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(stored(kTableKey), "");
    EXPECT_EQ(t().file_writes(), 2);
}

// --- file dialogs --------------------------------------------------------------------------------

TEST_F(Handlers, ACancelledDialogChangesNothing) {
    start(at(10, 0, 0), "[表]\r\n" + kRingtoneKey + "=D:\\old.mp3\r\n");
    t().windows().answer_dialog("通用对话框1", std::nullopt);
    t().windows().answer_dialog("通用对话框2", std::nullopt);
    t().click(按钮3);
    t().click(单选框2);
    EXPECT_EQ(effects_of_kind({"file_dialog"}).size(), 2u);
    EXPECT_EQ(text(编辑框5), "D:\\old.mp3");
    EXPECT_EQ(text(编辑框2), "---- 选择要运行的程序 ----");
    EXPECT_EQ(t().file_writes(), 0);
}

TEST_F(Handlers, AChosenRingtoneIsShownAndSaved) {
    start(at(10, 0, 0));
    t().windows().answer_dialog("通用对话框1", "D:\\ring\\新铃声.mp3");
    t().click(按钮3);
    EXPECT_EQ(text(编辑框5), "D:\\ring\\新铃声.mp3");
    EXPECT_EQ(stored(kRingtoneKey), "D:\\ring\\新铃声.mp3");
}

TEST_F(Handlers, AChosenProgramPathWithABlankIsQuotedForStart) {
    start(at(10, 0, 0));
    t().windows().answer_dialog("通用对话框2", "C:\\Program Files\\app.exe");
    t().windows().answer_dialog("通用对话框2", "C:\\tools\\app.exe");
    t().click(单选框2);
    EXPECT_EQ(text(编辑框2), "\"\" \"C:\\Program Files\\app.exe\"");
    t().click(单选框2);
    EXPECT_EQ(text(编辑框2), "C:\\tools\\app.exe");
}

// --- the tick ---------------------------------------------------------------------------------------

TEST_F(Handlers, TickShowsTheTimeAsTwoDigitParts) {
    const struct {
        std::int64_t before;
        const char *l1, *l2, *l3;
    } cases[] = {{at(9, 5, 6), "09:", "05:", "07"},
                 {at(0, 0, 0), "00:", "00:", "01"},
                 {at(23, 59, 58), "23:", "59:", "59"}};
    for (const auto& c : cases) {
        start(c.before);
        wait_ms(1000);
        EXPECT_EQ(text(标签1), c.l1);
        EXPECT_EQ(text(标签2), c.l2);
        EXPECT_EQ(text(标签3), c.l3);
    }
}

TEST_F(Handlers, TickFiresDueRowsInListOrderThenTheChime) {
    const std::string long_path =
        "C:\\Program Files\\" + std::string(42, 'p') + "开.exe";  // starts whole, 开 across bytes 60-61
    start(at(13, 59, 59),
          Rows{
              "14:00:00" + kReminder + std::string(39, 'm') + "开会", "14:00:01" + kReminder + "not yet",
              "14:00:00" + kProgram + long_path, "14:00:00" + kShutdown + kNotice,
              "14:00:0",  // too short to ever fire
          });
    const std::size_t from = mark();
    wait_ms(1000);
    EXPECT_EQ(effects(from),
              (Effects{
                  "play_mp3 path= times=1 started=false",
                  "open window=popup#1 labels=[name=标签 text=闹钟提示: " + std::string(39, 'm') +
                      " size=11 colour=#00FFFF]",
                  "run command=cmd /cstart " + long_path + " wait=false show=1",
                  "run command=cmd /cshutdown -s -t 5 wait=false show=1",
                  "play_wav bytes=73772 repeat=true",
                  "open window=popup#2 labels=[name=标签 text=现在时间: 14:00:00 size=22 colour=#FF00FF]",
              }));
    EXPECT_EQ(text(选择框1), "取消报时");
    EXPECT_EQ(rows().size(), 5u) << "rows stay after firing";
}

TEST_F(Handlers, EachReminderShowsItsOwnMessage) {
    start(at(8, 29, 59), Rows{"08:30:00" + kReminder + "first", "08:30:00" + kReminder + "second"});
    wait_ms(1000);
    EXPECT_EQ(
        effects_of_kind({"open"}, 3),
        (Effects{"open window=popup#1 labels=[name=标签 text=闹钟提示: first size=11 colour=#00FFFF]",
                 "open window=popup#2 labels=[name=标签 text=闹钟提示: second size=11 colour=#00FFFF]"}));
}

TEST_F(Handlers, TheChimeOnlyWhenCheckedAndOnlyOnTheFullHour) {
    start(at(14, 59, 59));
    t().click(选择框1);  // off
    wait_ms(1000);
    EXPECT_EQ(text(选择框1), "整点报时");
    t().click(选择框1);  // on again
    wait_ms(60 * 1000);  // up to 15:01:00
    EXPECT_EQ(text(选择框1), "取消报时");
    EXPECT_TRUE(effects_of_kind({"open", "play_wav"}, 3).empty());
}

// --- the popup --------------------------------------------------------------------------------------

TEST_F(Handlers, AReminderPlaysTheRingtoneOrTheChimeWhenTheRingtoneCannotPlay) {
    const struct {
        std::string ringtone;  // in the program's folder; empty: none chosen
        Effects sound;
    } cases[] = {
        {"good.mp3", {"play_mp3 path=@good.mp3 times=1 started=true"}},
        {"missing.mp3",
         {"play_mp3 path=@missing.mp3 times=1 started=false", "play_wav bytes=73772 repeat=true"}},
        // No ringtone: silent, without the chime in its place.
        {"", {"play_mp3 path= times=1 started=false"}},
    };
    for (const auto& c : cases) {
        check_and_drop();
        tockly_ = std::make_unique<HeadlessTockly>(at(8, 29, 59), Rows{});
        const std::string folder = t().folder().string();
        const std::string ringtone = c.ringtone.empty() ? "" : folder + "\\" + c.ringtone;
        std::ofstream(t().folder() / "good.mp3", std::ios::binary)
            << std::string("ID3\x03\x00\x00\x00\x00\x00\x00", 10);
        std::ofstream(t().folder() / "data.ini", std::ios::binary)
            << "[表]\r\n" + kRingtoneKey + "=" + ringtone + "\r\n" + kTableKey + "=08:30:00" + kReminder +
                   "起床@\r\n";
        t().start();
        wait_ms(1000);
        Effects expected = c.sound;
        for (std::string& e : expected)
            if (auto at_sign = e.find('@'); at_sign != std::string::npos)
                e.replace(at_sign, 1, folder + "\\");
        EXPECT_EQ(effects_of_kind({"play_mp3", "play_wav"}), expected) << c.ringtone;
        right_click(popup_window_id);
        EXPECT_EQ(effects_of_kind({"stop_sound"}).size(), 1u) << "closing the popup ends its sound";
    }
}

TEST_F(Handlers, AboutOpensTheCreditsModallyAndClosingStopsTheSound) {
    start(at(10, 20, 5));
    right_click(main_window_id);
    EXPECT_TRUE(t().runtime().choose_menu_item("关于"));
    EXPECT_EQ(effects(3),
              (Effects{"menu window=main menu=系统 items=[关于, 退出]",
                       "open window=popup#1 modal=true labels=[name=标签 text=Tockly 桌面闹钟 " TOCKLY_VERSION
                       " · 右键关闭 size=15 colour=#00FFFF]"}));
    t().click(按钮1);
    EXPECT_EQ(effects_of_kind({"refused"}), (Effects{"refused input=click target=按钮1"}));
    refusals_expected_ = 1;
    const std::size_t from = mark();
    right_click(popup_window_id);
    EXPECT_EQ(effects(from), (Effects{"stop_sound ", "close window=popup#1"}));
}

// --- the main window ----------------------------------------------------------------------------------

TEST_F(Handlers, MinimisingHidesBehindTheTrayAndKind3BringsItBack) {
    start(at(10, 0, 0));
    host::WindowInstance& main = t().window_of(主窗口);
    const std::size_t from = mark();
    t().runtime().minimize(main);
    const Effects minimised = effects(from);
    ASSERT_EQ(minimised.size(), 3u);
    EXPECT_EQ(minimised[0], "placement window=main state=minimised");
    EXPECT_EQ(minimised[1], "hide window=main");
    EXPECT_EQ(minimised[2].rfind("tray_icon window=main tip=Tockly icon_bytes=", 0), 0u) << minimised[2];
    EXPECT_FALSE(main.self().visible);

    const std::uint32_t other_kind = 1, restore_kind = 3;
    t().runtime().tray_notify(main, other_kind);
    EXPECT_FALSE(main.self().visible);
    const std::size_t restored = mark();
    t().runtime().tray_notify(main, restore_kind);
    EXPECT_EQ(effects(restored), (Effects{"show window=main", "placement window=main state=normal"}));
    EXPECT_TRUE(main.self().visible);
    EXPECT_EQ(main.self().placement, 1u);
}

TEST_F(Handlers, RightClickPopsUpTheMenuAndExitClosesTheMainWindow) {
    start(at(10, 20, 5));
    const std::size_t from = mark();
    right_click(main_window_id);
    EXPECT_TRUE(t().runtime().choose_menu_item("退出"));
    EXPECT_EQ(effects(from), (Effects{"menu window=main menu=系统 items=[关于, 退出]", "close window=main"}));
}

}  // namespace
}  // namespace tockly::app
