#include <gtest/gtest.h>

#include <functional>

#include "image/byte_writer.h"
#include "image/image_verify.h"
#include "image/relocation.h"
#include "tests/image/image_fixture.h"

namespace tockly::image {
namespace {

bool mentions(const std::vector<std::string>& problems, const std::string& text) {
    for (const auto& p : problems) {
        if (p.find(text) != std::string::npos) return true;
    }
    return false;
}

std::string joined(const std::vector<std::string>& problems) {
    std::string out;
    for (const auto& p : problems) out += p + "\n";
    return out;
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
        const char* problem;
    };
    auto code = [](Image& i) -> std::vector<std::uint8_t>& { return *i.find("code")->data; };
    const Case cases[] = {
        {"header table off by one", [](Image& i) { i.header.segment_table[1] += 1; }, "header.form_segment"},
        {"table names an absent segment",
         [](Image& i) {
             i.segments.erase(i.segments.begin() + 2);
             ASSERT_TRUE(finalize_layout(i).ok());
             i.header.segment_table[2] = 0x100;
         },
         "header.help_segment"},
        {"word 0x54", [](Image& i) { i.header.library_end = 0; }, "header.library_end"},
        {"entry before the code", [](Image& i) { i.header.entry = i.header.segment_table[3]; },
         "header.entry"},
        {"entry at the code's end",
         [&](Image& i) { i.header.entry = i.header.entry - 30 + static_cast<std::uint32_t>(code(i).size()); },
         "header.entry"},
        {"relocation kind 5", [](Image& i) { i.find("code")->relocations[0] = (2u << 3) | 5; }, "kind 5"},
        {"relocation without room for 4 bytes",
         [&](Image& i) {
             auto pos = static_cast<std::uint32_t>(code(i).size() - 3);
             i.find("code")->relocations[0] = encode_relocation({pos, RelocationKind::global});
         },
         "code.relocation[0]"},
        {"const value past the pool",
         [&](Image& i) { set_u32(code(i), 0x56, static_cast<std::uint32_t>(i.find("const")->data->size())); },
         "outside the const data"},
        {"two patched positions overlap",
         [](Image& i) {
             i.find("code")->relocations[1] = encode_relocation({4, RelocationKind::global});
         },
         "overlaps"},
        {"relocations outside the code segment", [](Image& i) { i.segments[0].relocations.push_back(0); },
         "only the code segment"},
        {"@reloc1 position past the code",
         [&](Image& i) {
             Reloc1Lists l;
             l[Reloc1List::unit_ids] = {static_cast<std::uint32_t>(code(i).size())};
             i.find("@reloc1")->data = write_reloc1(l);
         },
         "@reloc1.list1[0]"},
        {"@reloc1 out of order",
         [&](Image& i) {
             Reloc1Lists l;
             l[Reloc1List::unit_ids] = {0x39, 0x2C};
             set_u32(code(i), 0x2C, 0x52010001);
             i.find("@reloc1")->data = write_reloc1(l);
         },
         "ascending"},
        {"@reloc1 does not decode", [](Image& i) { i.find("@reloc1")->data->push_back(1); },
         "@reloc1: field"},
        {"identifier not in the form", [&](Image& i) { set_u32(code(i), 0x39, 0x52010077); },
         "not defined in the form"},
        {"library number without a row",
         [&](Image& i) {
             Reloc1Lists l;
             l[Reloc1List::unit_ids] = {0x39};
             l[Reloc1List::library_numbers] = {0x56};
             set_u32(code(i), 0x56, 2);
             i.find("@reloc1")->data = write_reloc1(l);
         },
         "library number 2"},
        {"type word that is no unit's",
         [&](Image& i) {
             Reloc1Lists l;
             l[Reloc1List::unit_ids] = {0x39};
             l[Reloc1List::type_words] = {0x56};
             set_u32(code(i), 0x56, 0x80000004);
             i.find("@reloc1")->data = write_reloc1(l);
         },
         "not a unit type word"},
        {"handler past the code", [&](Image& i) { code(i).resize(0x75); }, "handler 0x79"},
        {"form does not decode", [](Image& i) { i.find("form")->data->push_back(0); }, "form: field"},
        {"identifier counter too low", [](Image& i) { i.header.id_counter = 0x10003; }, "header.id_counter"},
        {"memory smaller than the stored data", [](Image& i) { i.segments[2].memory_size = 51; },
         "memory_size"},
        {"flag 0x01 missing", [](Image& i) { i.segments[2].flags = 0; }, "lacks 0x01"},
        {"duplicate name",
         [](Image& i) {
             i.segments.push_back(i.segments[2]);
             ASSERT_TRUE(finalize_layout(i).ok());
         },
         "more than once"},
        {"library identifier", [](Image& i) { i.libraries[0].identifier.pop_back(); },
         "library[0].identifier"},
        {"library version", [](Image& i) { i.libraries[1].minor_version = std::string(1, 'x'); }, "library[1].minor_version"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image image = test::small_image();
        c.change(image);
        auto problems = verify_image(image);
        EXPECT_TRUE(mentions(problems, c.problem)) << joined(problems);
    }
}

}  // namespace
}  // namespace tockly::image
