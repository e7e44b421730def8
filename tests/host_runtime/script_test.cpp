// The sim's script lines: what each command takes, and the lines it refuses.
#include "programs/tockly-sim/script.h"

#include <gtest/gtest.h>

namespace tockly::sim {
namespace {

// Scripts are UTF-8; plain literals here would be compiled to GBK.
std::string utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

TEST(SimScript, CommandsAndTheirArguments) {
    auto parsed =
        parse_script(utf8(u8"# a comment\n"
                          u8"clock 2026-12-09 08:29:58.250\n"
                          u8"\n"
                          u8"start\r\n"
                          u8"wait 2.5   # half a second more\n"
                          u8"type 编辑框1 a #1 b \n"
                          u8"type 编辑框4\n"
                          u8"choose 组合框1 23\n"
                          u8"select 列表框1 -1\n"
                          u8"menu 关于\n"
                          u8"answer 通用对话框1 c:\\music\\a b.mp3\n"
                          u8"answer 通用对话框2 --cancel\n"
                          u8"tray 3\n"
                          u8"show ini\n"));
    if (auto* e = std::get_if<ScriptError>(&parsed)) FAIL() << e->message();
    ASSERT_TRUE(std::holds_alternative<std::vector<Command>>(parsed));
    const auto& c = std::get<std::vector<Command>>(parsed);
    ASSERT_EQ(c.size(), 12u);
    EXPECT_EQ(format_local_time(c[0].number), "2026-12-09 08:29:58.250");
    EXPECT_EQ(c[1].op, Op::start);
    EXPECT_EQ(c[2].number, 2500);
    EXPECT_EQ(c[2].line, 5);
    EXPECT_EQ(c[3].name,
              "\xB1\xE0\xBC\xAD\xBF\xF2"
              "1");                   // 编辑框1 in GBK
    EXPECT_EQ(c[3].text, "a #1 b ");  // the rest of the line, as it is
    EXPECT_EQ(c[4].text, "");
    EXPECT_EQ(c[5].number, 23);
    EXPECT_EQ(c[6].number, -1);
    EXPECT_EQ(c[8].text, "c:\\music\\a b.mp3");
    EXPECT_TRUE(c[9].cancel);
    EXPECT_EQ(c[10].number, 3);
    EXPECT_EQ(c[11].name, "ini");
}

TEST(SimScript, LinesThatCannotBeUnderstoodNameTheirLine) {
    const char8_t* bad[] = {
        u8"wiat 2",
        u8"clock 2026-02-30 08:00:00",
        u8"clock 2026-12-09 24:00:00",
        u8"clock 2026-12-09",
        u8"wait -1",
        u8"wait 1.2345",
        u8"wait x",
        u8"choose 组合框1",
        u8"choose 组合框1 one",
        u8"select 列表框1 -2",
        u8"click",
        u8"click a b",
        u8"start now",
        u8"answer 通用对话框1",
        u8"type 编辑框1 \xff",  // not UTF-8
        u8"show",
    };
    for (const char8_t* line : bad) {
        auto parsed = parse_script("start\n" + utf8(line) + "\n");
        ASSERT_TRUE(std::holds_alternative<ScriptError>(parsed)) << utf8(line);
        const auto& e = std::get<ScriptError>(parsed);
        EXPECT_EQ(e.line, 2) << utf8(line);
        EXPECT_NE(e.message().find("line 2"), std::string::npos);
    }
}

}  // namespace
}  // namespace tockly::sim
