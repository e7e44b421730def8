#include "image/json/image_json.h"

#include <gtest/gtest.h>

#include "tests/image/image_fixture.h"

namespace tockly::image {
namespace {

using json = nlohmann::ordered_json;

std::vector<std::uint8_t> through_json(const Image& image) {
    auto back = image_from_json(json::parse(image_to_json(image).dump()));
    EXPECT_TRUE(back.ok()) << (back.ok() ? "" : back.error().field + ": " + back.error().reason);
    return back.ok() ? write_image(*back).value() : std::vector<std::uint8_t>{};
}

TEST(ImageJson, FromJsonOfToJsonGivesTheSameBytes) {
    struct Case {
        const char* name;
        std::function<void(Image&)> change;
    };
    const Case cases[] = {
        {"small image", [](Image&) {}},
        {"reordered, extra segment, odd words",
         [](Image& i) {
             std::swap(i.segments[1], i.segments[3]);
             Segment s;
             s.name = "@extra";
             s.flags = 0xFFFFFFFF;
             s.reserved = 7;
             s.memory_size = 0;
             i.segments.push_back(s);
             i.header.reserved[5] = 0xEE;
             i.header.segment_table = {0xFFFFFFFF, 0, 1, 2, 3};
             i.header.entry = 0x12345678;
         }},
        {"undecodable form and lists kept as bytes",
         [](Image& i) {
             i.find("form")->data->push_back(0);
             i.find("@reloc1")->data->push_back(0);
         }},
        {"undefined relocation kinds and texts that do not decode",
         [](Image& i) {
             i.find("code")->relocations.push_back(0xFFFFFFFF);
             i.libraries[0].display_name = "\\x\x80\xb1\xed";
             ASSERT_TRUE(finalize_layout(i).ok());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image image = test::small_image();
        c.change(image);
        auto bytes = write_image(image).value();
        ASSERT_TRUE(read_image(bytes).ok()) << read_image(bytes).error().message();
        EXPECT_EQ(through_json(read_image(bytes).value()), bytes);
    }
}

TEST(ImageJson, DecodesTheFormAndTheListsAndKeepsOtherDataAsHex) {
    json j = image_to_json(test::small_image());
    const auto& segs = j["segments"];
    EXPECT_TRUE(segs[1].contains("form"));
    EXPECT_TRUE(segs[5].contains("lists"));
    EXPECT_TRUE(segs[0]["data"].is_string());
    EXPECT_TRUE(segs[4]["data"].is_null());
    EXPECT_EQ(segs[3]["relocations"][0], "var:0x00000002");
    EXPECT_EQ(j["libraries"][0]["name"], reinterpret_cast<const char*>(u8"核心运行支持库"));
}

TEST(ImageJson, ErrorsNameTheJsonPath) {
    struct Case {
        const char* name;
        std::function<void(json&)> change;
        const char* field;
    };
    const Case cases[] = {
        {"not an object", [](json& j) { j = json::array(); }, ""},
        {"unknown member", [](json& j) { j["header"]["entry_point"] = 1; }, "header.entry_point"},
        {"missing segments", [](json& j) { j.erase("segments"); }, "segments"},
        {"word out of range", [](json& j) { j["header"]["word_28"] = 0x100000000ll; }, "header.word_28"},
        {"bad hex string", [](json& j) { j["header"]["word_2c"] = "0x12g"; }, "header.word_2c"},
        {"negative number", [](json& j) { j["segments"][2]["memory_size"] = -1; }, "segments[2].memory_size"},
        {"odd hex data", [](json& j) { j["segments"][2]["data"] = "abc"; }, "segments[2].data"},
        {"two payloads", [](json& j) { j["segments"][2]["lists"] = json::array(); }, "segments[2]"},
        {"bad relocation kind", [](json& j) { j["segments"][3]["relocations"][0] = "near:0x10"; },
         "segments[3].relocations[0]"},
        {"text without GBK form", [](json& j) { j["libraries"][0]["name"] = "\xf0\x9f\x98\x80"; },
         "libraries[0].name"},
        {"entry past the code",
         [](json& j) {
             j["header"]["entry"] = json{{"in_code", 100000}};
         },
         "header.entry.in_code"},
        {"three lists", [](json& j) { j["segments"][5]["lists"].erase(3); }, "segments[5].lists"},
        {"constant of unknown kind",
         [](json& j) {
             j["segments"][0]["items"] = json::array({{{"float", 1}}});
         },
         "segments[0].items[0].float"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        json j = image_to_json(test::small_image());
        j["segments"][0].erase("data");
        j["segments"][0]["items"] = json::array({{{"text", "x"}}});
        c.change(j);
        auto r = image_from_json(j);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error().field, c.field) << r.error().reason;
    }
}

TEST(ImageJson, HandWrittenConstantsAndAutoWords) {
    Image image = test::small_image();
    const auto& pool = *image.find("const")->data;
    // The fixture's items, laid end to end: "", "Tockly", 1.0, byte set 01 02 03, array (0).
    EXPECT_EQ(pool.size(), 1u + 7 + 8 + 11 + 8);
    EXPECT_EQ(pool[8], 0);
    EXPECT_EQ(pool[15], 0x3F);
    auto layout = compute_layout(image).value();
    EXPECT_EQ(image.header.first_segment, layout.library_end);
    EXPECT_EQ(image.header.segment_table[3], layout.segments[3].header_offset);
    EXPECT_EQ(image.header.entry, layout.segments[3].data_offset + 30);
}

}  // namespace
}  // namespace tockly::image
