// Form data as JSON and as a listing.
#include "image/json/form_json.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "image/form_dump.h"
#include "image/form_reader.h"
#include "image/form_writer.h"
#include "tests/form/form_fixture.h"

namespace tockly::image {
namespace {

using namespace form_test;
using json = nlohmann::ordered_json;

// Listings and JSON show texts as UTF-8, while plain literals here compile to GBK.
std::string utf8(const char8_t* s) {
    return reinterpret_cast<const char*>(s);
}

TEST(FormJson, RoundTripsEveryFieldAndByte) {
    for (const FormData& form : {small_form(), form_with_odd_values()}) {
        const json j = form_to_json(form);
        auto back = form_from_json(j);
        ASSERT_TRUE(back.ok()) << back.error().message();
        EXPECT_EQ(*back, form);
        // Through text as well: what a user edits is the serialised form.
        auto reparsed = form_from_json(json::parse(j.dump(2)));
        ASSERT_TRUE(reparsed.ok()) << reparsed.error().message();
        EXPECT_EQ(write_form(*reparsed), write_form(form));
    }
}

TEST(FormJson, ReadsAsDesigned) {
    const json j = form_to_json(small_form());
    const json& units = j["windows"][0]["units"];
    EXPECT_EQ(j["windows"][0]["id"], "0x52010001");
    EXPECT_EQ(units[0]["type"], "window");
    EXPECT_EQ(units[0]["blob"]["background"], "#e6fffb");
    EXPECT_EQ(units[0]["bindings"][1], json({{"event", -4}, {"handler", "0x00000140"}}));
    EXPECT_EQ(units[1]["name"], utf8(u8"标签1"));
    EXPECT_EQ(units[1]["blob"]["font"]["face"], utf8(u8"宋体"));
    EXPECT_EQ(units[1]["blob"]["caption"], "00:");
    EXPECT_FALSE(units[1].contains("zero_a"));                     // usual values are not listed
    EXPECT_TRUE(units[2]["blob"]["font"].contains("face_bytes"));  // left-over face bytes are
    EXPECT_TRUE(units[3]["blob"].is_null());                       // empty blob
    EXPECT_EQ(units[3]["flags"], json({"visible", "tab_stop"}));
    EXPECT_EQ(units[4]["handler"], -1);
    EXPECT_EQ(units[5]["handler"], "0x00000300");
}

TEST(FormJson, RefusesMalformedInputNamingItsPath) {
    const json good = form_to_json(small_form());
    const struct {
        const char* what;
        std::function<void(json&)> breaks;
        const char* field;
    } cases[] = {
        {"unknown member", [](json& j) { j["windows"][0]["units"][1]["colour"] = 1; },
         "windows[0].units[1].colour"},
        {"unknown blob member", [](json& j) { j["windows"][0]["units"][1]["blob"]["size"] = 1; },
         "windows[0].units[1].blob.size"},
        {"unknown type", [](json& j) { j["windows"][0]["units"][1]["type"] = "slider"; },
         "windows[0].units[1].type"},
        {"missing id", [](json& j) { j["windows"][0]["units"][1].erase("id"); }, "windows[0].units[1].id"},
        {"bad colour", [](json& j) { j["windows"][0]["units"][1]["blob"]["text_colour"] = "#12345g"; },
         "windows[0].units[1].blob.text_colour"},
        {"byte out of range", [](json& j) { j["windows"][0]["units"][1]["blob"]["font"]["italic"] = 256; },
         "windows[0].units[1].blob.font.italic"},
        {"face too long",
         [](json& j) { j["windows"][0]["units"][1]["blob"]["font"]["face"] = std::string(33, 'a'); },
         "windows[0].units[1].blob.font.face"},
        {"face bytes not matching the face",
         [](json& j) { j["windows"][0]["units"][2]["blob"]["font"]["face"] = "Arial"; },
         "windows[0].units[2].blob.font.face_bytes"},
        {"unknown flag", [](json& j) { j["windows"][0]["units"][1]["flags"] = {"shown"}; },
         "windows[0].units[1].flags[0]"},
        {"blob on a shape box", [](json& j) { j["windows"][0]["units"][15]["blob"] = json::object(); },
         "windows[0].units[15].blob"},
        {"wrong number of reserved words",
         [](json& j) {
             j["windows"][0]["units"][0]["blob"]["reserved"] = {1, 2};
         },
         "windows[0].units[0].blob.reserved"},
        {"text that is not GBK",
         [](json& j) { j["windows"][0]["units"][1]["blob"]["caption"] = "\xF0\x9F\x98\x80"; },
         "windows[0].units[1].blob.caption"},
        {"rule of the format", [](json& j) { j["windows"][1]["units"][1]["id"] = "0x0601007a"; },
         "windows[1].units[1].id"},
        {"no windows", [](json& j) { j.erase("windows"); }, "windows"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        json j = good;
        c.breaks(j);
        auto r = form_from_json(j);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error().field, c.field) << r.error().message();
    }
}

TEST(FormDump, ListsUnitsWithPlacesBindingsAndProperties) {
    std::ostringstream out;
    dump_form(out, small_form());
    const std::string text = out.str();
    for (const char8_t* expected : {
             u8"window 0x52010001  class 0x19010004  16 units",
             u8"[1] 0x16010006 label \"标签1\"  at 71,10  size 88x56  visible",
             u8"font=\"宋体\" -56 weight 700",
             u8"caption=\"00:\"",
             u8"in 0x16010049 \"分组框3\"; in the client area at 22,202",
             u8"on right_button (-4) -> handler 0x00000140",
             u8"menu_item  \"系统\"  level 0  not in a menu bar  handler none",
             u8"empty (all properties at the host's defaults)",
             u8"items=3 [\"01\" \"02\" \"00\"]",
         }) {
        EXPECT_NE(text.find(utf8(expected)), std::string::npos) << utf8(expected) << "\n" << text;
    }
}

}  // namespace
}  // namespace tockly::image
