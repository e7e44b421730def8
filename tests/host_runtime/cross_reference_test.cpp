// What Tockly's image states twice must agree: `verify` names the contradiction and the host's
// loading refuses the image with the same words. One broken field per case.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/handler_table.h"
#include "app/tockly_image.h"
#include "app/units.h"
#include "host/headless/headless_program.h"
#include "image/form_reader.h"
#include "image/form_writer.h"
#include "image/image_verify.h"

namespace tockly::app {
namespace {

using namespace image;

Image tockly_image() {
    auto built = build_tockly_image({});
    EXPECT_TRUE(built.ok()) << built.error().message();
    return built.value();
}

std::string joined(const std::vector<Error>& problems) {
    std::string out;
    for (const auto& p : problems) out += verify_line(p) + "\n";
    return out;
}

// Rewrites the form segment through `change`, keeping the entry where it was in the code.
void change_form(Image& image, const std::function<void(FormData&)>& change) {
    auto layout = compute_layout(image);
    ASSERT_TRUE(layout.ok());
    const std::size_t code_i = static_cast<std::size_t>(image.find("code") - image.segments.data());
    const auto entry_in_code =
        static_cast<std::uint32_t>(image.header.entry - layout->segments[code_i].data_offset);
    Segment* seg = image.find("form");
    auto form = read_form(*seg->data, 0);
    ASSERT_TRUE(form.ok());
    change(*form);
    seg->data = write_form(*form);
    seg->memory_size = static_cast<std::uint32_t>(seg->data->size());
    ASSERT_TRUE(finalize_layout(image, entry_in_code).ok());
}

UnitRecord& record(FormData& form, const Unit& unit) {
    return *form.find_window(unit.window)->find_unit(unit.id)->unit();
}

TEST(CrossReferences, TocklysOwnImageAgreesWithItselfAndLoads) {
    const Image image = tockly_image();
    const auto problems = verify_image(image);
    EXPECT_TRUE(problems.empty()) << joined(problems);
    const auto bytes = write_image(image);
    ASSERT_TRUE(bytes.ok());
    auto loaded = host::headless::load_headless_image(*bytes, handler_table());
    EXPECT_TRUE(loaded.ok()) << loaded.error().message();
}

TEST(CrossReferences, EachContradictionIsNamedByVerifyAndRefusedByTheHost) {
    struct Case {
        const char* what;
        std::function<void(Image&)> change;
        const char* problem;
        // What the host says when its reader already refuses the bytes (else `problem`).
        const char* refused = nullptr;
    };
    auto form = [](std::function<void(FormData&)> f) { return [f](Image& i) { change_form(i, f); }; };
    const Case cases[] = {
        {"parent is a label", form([](FormData& f) { record(f, 按钮3).parent = 标签7.id; }),
         "unit 0x1601004b.parent: 0x16010048 is not a group box"},
        {"parent is a unit of the other window", form([](FormData& f) { record(f, 按钮3).parent = 标签.id; }),
         "unit 0x1601004b.parent: 0x160100c6 is not a unit of this window"},
        {"group box does not list its child", form([](FormData& f) {
             auto& kids = record(f, 分组框3).children;
             kids.erase(std::find(kids.begin(), kids.end(), 按钮3.id));
         }),
         "unit 0x1601004b.parent: group box 0x16010049 does not list it as a child"},
        {"group box lists a unit that names no parent",
         form([](FormData& f) { record(f, 分组框3).children.push_back(标签8.id); }),
         "unit 0x16010049.children: 0x16010075 does not name it as its parent"},
        {"group box lists a child twice",
         form([](FormData& f) { record(f, 分组框3).children.push_back(按钮3.id); }),
         "unit 0x16010049.children: 0x1601004b is listed twice"},
        {"a label with children", form([](FormData& f) { record(f, 标签8).children.push_back(按钮3.id); }),
         "unit 0x16010075.children: only a group box has children"},
        {"identifier in both windows",
         form([](FormData& f) { f.find_window(popup_window_id)->find_unit(标签.id)->id = 标签8.id; }),
         "unit 0x16010075: identifier 0x16010075 is also form window 0x52010001 unit 0x16010075"},
        {"serial number of a menu item reused by a control",
         form([](FormData& f) { f.find_window(popup_window_id)->find_unit(标签.id)->id = 0x160100EF; }),
         "serial number 0xef of 0x160100ef is also that of 0x260100ef"},
        {"menu item with a control's identifier kind",
         form([](FormData& f) { f.find_window(main_window_id)->find_unit(关于.id)->id = 0x160100F0; }),
         "unit 0x160100f0: identifier kind 0x16 does not agree with a menu_item (0x26)"},
        {"menu items broken by a label", form([](FormData& f) {
             auto& units = f.find_window(main_window_id)->units;
             auto about =
                 std::find_if(units.begin(), units.end(), [](const FormUnit& u) { return u.id == 关于.id; });
             auto label =
                 std::find_if(units.begin(), units.end(), [](const FormUnit& u) { return u.id == 标签9.id; });
             std::rotate(about, label, label + 1);
         }),
         "the menu items are not one unbroken run of the unit list"},
        {"code segment without the code flag", [](Image& i) { i.find("code")->flags = 0x01; },
         "segment 'code'.flags: 0x1 lacks 0x04 on the code segment"},
        {"code flag on the help block", [](Image& i) { i.find("help")->flags = 0x05; },
         "segment 'help'.flags: 0x5 marks machine code outside the code segment"},
        {"zero-fill flag on stored data", [](Image& i) { i.find("const")->flags = 0x11; },
         "segment 'const'.flags: 0x11 says nothing is stored", "a zero-filled segment stores nothing"},
        {"var without the zero-fill flag", [](Image& i) { i.find("var")->flags = 0x03; },
         "segment 'var'.flags: 0x3 lacks 0x10, but the segment stores nothing"},
        {"a flag no segment uses", [](Image& i) { i.find("help")->flags = 0x41; },
         "segment 'help'.flags: 0x41 has bits no segment uses (0x40)"},
        {"@reloc1 memory size beyond its lists", [](Image& i) { i.find("@reloc1")->memory_size += 4; },
         "segment '@reloc1'.memory_size"},
        {"@reloc1 stored size beyond its lists",
         [](Image& i) {
             auto& data = *i.find("@reloc1")->data;
             data.insert(data.end(), 4, 0);
             i.find("@reloc1")->memory_size += 4;
             // (the last segment: nothing after it moves)
         },
         "@reloc1: field"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Image image = tockly_image();
        c.change(image);
        const auto problems = verify_image(image);
        ASSERT_FALSE(problems.empty());
        // The host tells the user the same line the tool prints.
        EXPECT_NE(verify_line(problems.front()).find(c.problem), std::string::npos) << joined(problems);
        const auto bytes = write_image(image);
        ASSERT_TRUE(bytes.ok()) << bytes.error().message();
        auto loaded = host::headless::load_headless_image(*bytes, handler_table());
        ASSERT_FALSE(loaded.ok());
        EXPECT_NE(loaded.error().message().find(c.refused ? c.refused : c.problem), std::string::npos)
            << loaded.error().message();
    }
}

}  // namespace
}  // namespace tockly::app
