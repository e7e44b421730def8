#include "host/core/ini_syntax.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace tockly::host {
namespace {

TEST(IniSyntax, FindsValuesAsWindowsLineSyntaxReadsThem) {
    const std::string file =
        "; a comment=not an item\r\n"
        "top=outside any section\r\n"
        "[Other]\r\n"
        "key=other section\r\n"
        "  [ 表 ]  \r\n"
        "  Key  =  spaced value  \r\n"
        "eq=a=b;c\r\n"
        "quoted=\"  kept  \"\r\n"
        "half=\"open\r\n"
        ";commented=no\r\n"
        "noequals\r\n"
        "empty=\r\n"
        "key=second occurrence\r\n"
        "[表]\r\n"
        "late=in a repeated section\r\n";
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"表", "key", "spaced value"},
        {"表", "KEY", "spaced value"},  // first occurrence, any ASCII case
        {"other", "KEY", "other section"},
        {"表", "eq", "a=b;c"},
        {"表", "quoted", "  kept  "},
        {"表", "half", "\"open"},
        {"表", "empty", ""},
        {"表", "commented", std::nullopt},
        {"表", ";commented", std::nullopt},
        {"表", "noequals", std::nullopt},
        {"表", "top", std::nullopt},
        {"表", "late", std::nullopt},  // only the first section of a name is read
        {"missing", "key", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ini_find_value(file, c.section, c.key), c.expected) << c.key;
}

TEST(IniSyntax, ReadsLfFilesNoFinalLineEndNulBytesAndAByteOrderMark) {
    EXPECT_EQ(ini_find_value("[s]\nk=v\n", "s", "k"), "v");
    EXPECT_EQ(ini_find_value("[s]\r\nk=v", "s", "k"), "v");
    EXPECT_EQ(ini_find_value("\xEF\xBB\xBF[s]\r\nk=v\r\n", "s", "k"), "v");
    EXPECT_EQ(ini_find_value(std::string("[s]\nk=a\0b\n", 10), "s", "k"), std::string("a\0b", 3));
    EXPECT_EQ(ini_find_value("", "s", "k"), std::nullopt);
    // A CR that ends the file reads as a line end, as it does once a line follows it.
    struct Case {
        const char* file;
        const char* section;
    };
    for (const Case& c : {Case{"[s]\r", "s"}, Case{"[s]\r\nk=v\r", "s"}, Case{"\n  =(\r\n[\r", ""}}) {
        SCOPED_TRACE(c.file);
        const auto written = ini_with_value(c.file, c.section, "n", "1");
        ASSERT_TRUE(written);
        EXPECT_EQ(written->substr(0, std::string_view(c.file).size()), c.file);
        EXPECT_EQ(ini_find_value(*written, c.section, "n"), "1");
        EXPECT_EQ(ini_find_value(*written, c.section, "k"), ini_find_value(c.file, c.section, "k"));
    }
    // A UTF-16 file is not in this syntax: nothing is found in it or written into it.
    const std::string utf16("\xFF\xFE[\0s\0]\0\n\0k\0=\0v\0", 14);
    EXPECT_EQ(ini_find_value(utf16, "s", "k"), std::nullopt);
    EXPECT_FALSE(ini_with_value(utf16, "s", "k", "v"));
}

TEST(IniSyntax, DoubleByteNamesMatchExactlyWhileAsciiIgnoresCase) {
    // 0x81 0x41 and 0x81 0x61 are two different GBK characters; their trail bytes look like
    // 'A' and 'a'.
    const std::string file = "[s]\n\x81\x41=upper\n\x81\x61=lower\nAbC=ascii\n";
    EXPECT_EQ(ini_find_value(file, "s", "\x81\x61"), "lower");
    EXPECT_EQ(ini_find_value(file, "s", "\x81\x41"), "upper");
    EXPECT_EQ(ini_find_value(file, "S", "abc"), "ascii");
    EXPECT_TRUE(ini_names_equal("时表", "时表"));
    EXPECT_FALSE(ini_names_equal("时表", "铃声"));
    // A section name whose trail byte is ']' is not cut there.
    EXPECT_EQ(ini_find_value("[\x81\x5d]\nk=v\n", "\x81\x5d", "k"), "v");
}

TEST(IniSyntax, WritesChangeOnlyWhatTheyConcern) {
    struct Case {
        const char* name;
        const char* before;
        const char* key;
        const char* value;
        const char* after;
    };
    const Case cases[] = {
        {"new file", "", "k", "v", "[s]\r\nk=v\r\n"},
        {"existing key rewritten in place", "; keep\r\n[s]\r\n  K = old \r\nz=1\r\n\r\n[t]\r\nk=x\r\n", "k",
         "new", "; keep\r\n[s]\r\nk=new\r\nz=1\r\n\r\n[t]\r\nk=x\r\n"},
        {"new key at the end of its section, before blank lines", "[s]\r\na=1\r\n\r\n[t]\r\nb=2\r\n", "k",
         "v", "[s]\r\na=1\r\nk=v\r\n\r\n[t]\r\nb=2\r\n"},
        {"new section at the end of an LF file", "[t]\nb=2\n", "k", "v", "[t]\nb=2\n[s]\nk=v\n"},
        {"last line without an end", "[s]\na=1", "k", "v", "[s]\na=1\nk=v\n"},
        {"rewritten last line keeps having no end", "[s]\r\nk=1", "k", "2", "[s]\r\nk=2"},
        {"no final line end before a new section", "[t]\r\nb=2", "k", "v", "[t]\r\nb=2\r\n[s]\r\nk=v\r\n"},
        {"value with blanks is quoted", "", "k", " a ", "[s]\r\nk=\" a \"\r\n"},
        {"value in quotes is quoted again", "", "k", "\"q\"", "[s]\r\nk=\"\"q\"\"\r\n"},
        {"byte order mark kept", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "k", "2", "\xEF\xBB\xBF[s]\r\nk=2\r\n"},
    };
    for (const Case& c : cases) {
        const auto after = ini_with_value(c.before, "s", c.key, c.value);
        ASSERT_TRUE(after.has_value()) << c.name;
        EXPECT_EQ(*after, c.after) << c.name;
        EXPECT_EQ(ini_find_value(*after, "s", c.key), c.value) << c.name;

        // Written as pieces, the value among them as given (a whole table is not copied first).
        const auto pieces = ini_edit(c.before, "s", c.key, c.value);
        ASSERT_TRUE(pieces.has_value()) << c.name;
        EXPECT_TRUE(std::ranges::any_of(pieces->pieces(), [&](std::string_view p) {
            return p.data() == c.value;
        })) << c.name;
        EXPECT_TRUE(pieces->equals(c.after)) << c.name;
        std::string last_byte_off(c.after);
        last_byte_off.back() ^= 1;
        EXPECT_FALSE(pieces->equals(last_byte_off)) << c.name;
        EXPECT_FALSE(pieces->equals(std::string(c.after) + "\n")) << c.name;
    }
}

TEST(IniSyntax, RefusesItemsThatCouldNotReadBackExactly) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"s", "k", "two\r\nlines"},
        {"s", "k", "line\rend"},
        {"s", "k", "line\nend"},
        {"s", "", "v"},
        {"s", "a=b", "v"},
        {"s", " k", "v"},
        {"s", "k ", "v"},
        {"s", "[k", "v"},
        {"s", ";k", "v"},
        {"s]", "k", "v"},
        {" s", "k", "v"},
        {"s\n", "k", "v"},
        // A section name ending in a lead byte would swallow its closing bracket.
        {"\xB1", "k", "v"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(ini_can_store(c.section, c.key, c.value)) << c.section << "|" << c.key << "|" << c.value;
        EXPECT_FALSE(ini_with_value("[s]\r\nk=1\r\n", c.section, c.key, c.value).has_value());
    }
    EXPECT_FALSE(ini_can_store("s", "k", std::string_view("a\0b", 3)));
    EXPECT_TRUE(ini_can_store("", "k", ""));
}

}  // namespace
}  // namespace tockly::host
