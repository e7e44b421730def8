#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "image/byte_writer.h"
#include "image/image_verify.h"
#include "image/relocation.h"
#include "tests/image/image_fixture.h"

namespace tockly::image {
namespace {

std::string joined(const std::vector<Error>& problems) {
    std::string out;
    for (const auto& p : problems) out += verify_line(p) + "\n";
    return out;
}

// The problem named so (with this value, when one is given).
const Error* find_field(const std::vector<Error>& problems, const std::string& field,
                        std::optional<std::uint64_t> value = {}) {
    for (const auto& p : problems)
        if (p.field == field && (!value || (p.has_value && p.value == *value))) return &p;
    return nullptr;
}

TEST(Verify, TheSmallImageIsConsistent) {
    auto problems = verify_image(test::small_image());
    EXPECT_TRUE(problems.empty()) << joined(problems);
}

// One inconsistency per case; the image still reads, verify names what is wrong.
TEST(Verify, NamesEachInconsistency) {
    struct Case {
        const char* name;
        std::function<void(Image&)> change;
        std::string field;
        std::optional<std::uint64_t> value = {};  // the value it names, where the case fixes one
        // The offset is that of the 4-byte field holding the value in the written image.
        bool stored_at_offset = false;
    };
    auto code = [](Image& i) -> std::vector<std::uint8_t>& { return *i.find("code")->data; };
    const Case cases[] = {
        {"header table off by one",
         [](Image& i) { i.header.segment_table[1] += 1; },
         "header.form_segment",
         {},
         true},
        {"table names an absent segment",
         [](Image& i) {
             i.segments.erase(i.segments.begin() + 2);
             ASSERT_TRUE(finalize_layout(i).ok());
             i.header.segment_table[2] = 0x100;
         },
         "header.help_segment", 0x100, true},
        {"word 0x54", [](Image& i) { i.header.library_end = 0; }, "header.library_end", 0, true},
        {"entry before the code",
         [](Image& i) { i.header.entry = i.header.segment_table[3]; },
         "header.entry",
         {},
         true},
        {"entry at the code's end",
         [&](Image& i) { i.header.entry = i.header.entry - 30 + static_cast<std::uint32_t>(code(i).size()); },
         "header.entry",
         {},
         true},
        {"relocation kind 5", [](Image& i) { i.find("code")->relocations[0] = (2u << 3) | 5; },
         "code.relocation[0]", (2u << 3) | 5, true},
        {"relocation without room for 4 bytes",
         [&](Image& i) {
             auto pos = static_cast<std::uint32_t>(code(i).size() - 3);
             i.find("code")->relocations[0] = encode_relocation({pos, RelocationKind::global});
         },
         "code.relocation[0]",
         {},
         true},
        {"const value past the pool",
         [&](Image& i) { set_u32(code(i), 0x56, static_cast<std::uint32_t>(i.find("const")->data->size())); },
         "code.relocation[8]",
         {},
         true},
        {"two patched positions overlap",
         [](Image& i) {
             i.find("code")->relocations[1] = encode_relocation({4, RelocationKind::global});
         },
         "code.relocation[1]", 4},
        {"relocations outside the code segment", [](Image& i) { i.segments[0].relocations.push_back(0); },
         "segment 'const'", 1, true},
        {"@reloc1 position past the code",
         [&](Image& i) {
             Reloc1Lists l;
             l[Reloc1List::unit_ids] = {static_cast<std::uint32_t>(code(i).size())};
             i.find("@reloc1")->data = write_reloc1(l);
         },
         "@reloc1.list1[0]",
         {},
         true},
        {"@reloc1 out of order",
         [&](Image& i) {
             Reloc1Lists l;
             l[Reloc1List::unit_ids] = {0x39, 0x2C};
             set_u32(code(i), 0x2C, 0x52010001);
             i.find("@reloc1")->data = write_reloc1(l);
         },
         "@reloc1.list1[1]", 0x2C, true},
        {"@reloc1 does not decode", [](Image& i) { i.find("@reloc1")->data->push_back(1); }, "@reloc1"},
        {"identifier not in the form", [&](Image& i) { set_u32(code(i), 0x39, 0x52010077); },
         "@reloc1.list1[0]", 0x52010077, true},
        {"library number without a row",
         [&](Image& i) {
             Reloc1Lists l;
             l[Reloc1List::unit_ids] = {0x39};
             l[Reloc1List::library_numbers] = {0x56};
             set_u32(code(i), 0x56, 2);
             i.find("@reloc1")->data = write_reloc1(l);
         },
         "@reloc1.list3[0]", 2, true},
        {"type word that is no unit's",
         [&](Image& i) {
             Reloc1Lists l;
             l[Reloc1List::unit_ids] = {0x39};
             l[Reloc1List::type_words] = {0x56};
             set_u32(code(i), 0x56, 0x80000004);
             i.find("@reloc1")->data = write_reloc1(l);
         },
         "@reloc1.list4[0]", 0x80000004, true},
        {"handler past the code", [&](Image& i) { code(i).resize(0x75); },
         "form window 0x52010001 unit 0x16010002 event 0", 0x79},
        {"form does not decode", [](Image& i) { i.find("form")->data->push_back(0); }, "form"},
        {"identifier counter too low", [](Image& i) { i.header.id_counter = 0x10003; }, "header.id_counter",
         0x10003, true},
        {"memory smaller than the stored data", [](Image& i) { i.segments[2].memory_size = 51; },
         "segment 'help'.memory_size", 51, true},
        {"flag 0x01 missing", [](Image& i) { i.segments[2].flags = 0; }, "segment 'help'.flags", 0, true},
        {"duplicate name",
         [](Image& i) {
             i.segments.push_back(i.segments[2]);
             ASSERT_TRUE(finalize_layout(i).ok());
         },
         "segment 'help'"},
        {"library identifier", [](Image& i) { i.libraries[0].identifier.pop_back(); },
         "library[0].identifier"},
        {"library version", [](Image& i) { i.libraries[1].minor_version = std::string(1, 'x'); },
         "library[1].minor_version"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image image = test::small_image();
        c.change(image);
        auto problems = verify_image(image);
        const Error* p = find_field(problems, c.field, c.value);
        ASSERT_NE(p, nullptr) << joined(problems);
        if (!c.stored_at_offset) continue;
        const auto bytes = write_image(image);
        ASSERT_TRUE(bytes.ok());
        EXPECT_EQ(test::u32_at(*bytes, p->offset), p->value) << verify_line(*p);
    }
}

// A library field is text: its offset is where that text starts in the written image.
TEST(Verify, PlacesALibraryProblemAtItsField) {
    Image image = test::small_image();
    image.libraries[1].minor_version = "x";
    const auto problems = verify_image(image);
    const Error* p = find_field(problems, "library[1].minor_version");
    ASSERT_NE(p, nullptr) << joined(problems);
    const auto bytes = write_image(image);
    ASSERT_TRUE(bytes.ok());
    ASSERT_LT(p->offset + 2, bytes->size());
    EXPECT_EQ(std::string(bytes->begin() + static_cast<std::ptrdiff_t>(p->offset),
                          bytes->begin() + static_cast<std::ptrdiff_t>(p->offset) + 2),
              std::string("x\r"));
}

// The tool prints each problem as its field and reason; a reader's error inside a part keeps its
// own message after the part's name.
TEST(Verify, LinesNameTheFieldThenTheReason) {
    Image image = test::small_image();
    image.header.library_end = 0;
    image.find("form")->data->push_back(0);
    const auto problems = verify_image(image);
    const Error* header = find_field(problems, "header.library_end");
    ASSERT_NE(header, nullptr) << joined(problems);
    EXPECT_EQ(verify_line(*header).rfind("header.library_end: 0x0 is not where the library table ends (", 0),
              0u);
    const Error* form = find_field(problems, "form");
    ASSERT_NE(form, nullptr) << joined(problems);
    EXPECT_EQ(verify_line(*form).rfind("form: field '", 0), 0u) << verify_line(*form);
}

}  // namespace
}  // namespace tockly::image
