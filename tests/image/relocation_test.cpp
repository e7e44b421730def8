#include "image/relocation.h"

#include <gtest/gtest.h>

#include "image/byte_writer.h"
#include "image/unit_id.h"

namespace tockly::image {
namespace {

TEST(Relocation, EntriesEncodeAndDecode) {
    struct Case {
        std::uint32_t entry;
        bool ok;
        std::uint32_t position;
        RelocationKind kind;
    };
    const Case cases[] = {
        {0x00000000, true, 0, RelocationKind::helper_slot},
        {0x00000409, true, 0x81, RelocationKind::constant},
        {0x0000001A, true, 3, RelocationKind::global},
        {0xFFFFFFFB, true, relocation_max_position, RelocationKind::code},
        {0x00000004, false, 0, {}},
        {0x0000010F, false, 0, {}},
        {0xFFFFFFFF, false, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        auto r = decode_relocation(c.entry);
        ASSERT_EQ(r.ok(), c.ok);
        if (!c.ok) {
            EXPECT_EQ(r.error().field, "relocation.kind");
            continue;
        }
        EXPECT_EQ(r->position, c.position);
        EXPECT_EQ(r->kind, c.kind);
        EXPECT_EQ(encode_relocation(*r), c.entry);
    }
}

TEST(Relocation, AppliesBasesToACopyWrappingAt32Bits) {
    std::vector<std::uint8_t> code(16, 0);
    set_u32(code, 0, 0x20);         // helper slot
    set_u32(code, 4, 0x13);         // const offset
    set_u32(code, 8, 0);            // var offset
    set_u32(code, 12, 0xFFFFFFF0);  // code offset that wraps
    const std::uint32_t entries[] = {
        encode_relocation({0, RelocationKind::helper_slot}),
        encode_relocation({4, RelocationKind::constant}),
        encode_relocation({8, RelocationKind::global}),
        encode_relocation({12, RelocationKind::code}),
    };
    const RelocationBases bases{0x10000000, 0x00400000, 0x00500000, 0x00000020};
    const auto original = code;
    auto copy = relocated_copy(code, entries, bases).value();
    EXPECT_EQ(code, original);
    EXPECT_EQ(get_u32(copy, 0), 0x10000020u);
    EXPECT_EQ(get_u32(copy, 4), 0x00400013u);
    EXPECT_EQ(get_u32(copy, 8), 0x00500000u);
    EXPECT_EQ(get_u32(copy, 12), 0x00000010u);
}

TEST(Relocation, RefusedListLeavesTheCodeUntouched) {
    std::vector<std::uint8_t> code(8, 0x11);
    const auto original = code;
    struct Case {
        const char* name;
        std::uint32_t bad;
        const char* field;
    };
    const Case cases[] = {
        {"undefined kind", (0u << 3) | 5, "relocation.kind"},
        {"position at the last 3 bytes", (5u << 3) | 1, "relocation.position"},
        {"position past the end", (0x1FFFFFFFu << 3) | 1, "relocation.position"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint32_t entries[] = {encode_relocation({0, RelocationKind::constant}), c.bad};
        auto done = apply_relocations(code, entries, RelocationBases{1, 1, 1, 1});
        ASSERT_FALSE(done.ok());
        EXPECT_EQ(done.error().field, c.field);
        EXPECT_EQ(code, original);
    }
    // Exactly at the end is fine.
    const std::uint32_t last[] = {encode_relocation({4, RelocationKind::code})};
    EXPECT_TRUE(apply_relocations(code, last, RelocationBases{0, 0, 0, 1}).ok());
    EXPECT_EQ(get_u32(code, 4), 0x11111112u);
}

TEST(Reloc1, ListsRoundTripAndAreReadByTheirCounts) {
    Reloc1Lists lists;
    lists[Reloc1List::unit_ids] = {4, 40, 400};
    lists[Reloc1List::library_numbers] = {8};
    lists[Reloc1List::type_words] = {12, 16};
    auto bytes = write_reloc1(lists);
    EXPECT_EQ(bytes.size(), 4u * 4 + 6 * 4);
    auto read = read_reloc1(bytes);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(*read, lists);
    EXPECT_EQ(read_reloc1(write_reloc1(Reloc1Lists{})).value(), Reloc1Lists{});
}

TEST(Reloc1, MalformedListsNameFieldAndOffset) {
    const std::uint64_t base = 0x500;
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* field;
        std::uint64_t offset;
    };
    auto counts = [](std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
        std::vector<std::uint8_t> out;
        for (auto v : {a, b, c, d}) {
            for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
        return out;
    };
    auto trailing = counts(0, 0, 0, 0);
    trailing.push_back(0);
    const Case cases[] = {
        {"empty", {}, "reloc1.count", base},
        {"only three lists", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "reloc1.count", base + 12},
        {"count past the end", counts(4, 0, 0, 0), "reloc1.count", base},
        {"count that overflows when multiplied", counts(0, 0x40000001, 0, 0), "reloc1.count", base + 4},
        {"bytes after the fourth list", trailing, "reloc1.end", base + 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto read = read_reloc1(c.bytes, base);
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.error().field, c.field) << read.error().message();
        EXPECT_EQ(read.error().offset, c.offset) << read.error().message();
    }
}

TEST(Reloc1, RenumbersListedValuesInPlace) {
    std::vector<std::uint8_t> code(12, 0);
    set_u32(code, 0, 0x52010001);
    set_u32(code, 8, 0x16010002);
    const std::uint32_t positions[] = {0, 8};
    ASSERT_TRUE(renumber_positions(code, positions, [](std::uint32_t v) { return v ^ 0x00FF0000; }).ok());
    EXPECT_EQ(get_u32(code, 0), 0x52FE0001u);
    EXPECT_EQ(get_u32(code, 4), 0u);
    EXPECT_EQ(get_u32(code, 8), 0x16FE0002u);
    const std::uint32_t bad[] = {0, 9};
    const auto before = code;
    EXPECT_FALSE(renumber_positions(code, bad, [](std::uint32_t) { return 0u; }).ok());
    EXPECT_EQ(code, before);
}

TEST(UnitId, KindsSerialsAndTypeWords) {
    struct Case {
        std::uint32_t id;
        std::string_view kind;
        std::uint16_t serial;
    };
    const Case cases[] = {
        {0x52010001, "window", 1},       {0x06010000, "self-unit", 0},    {0x1601018C, "control", 0x18C},
        {0x260100EF, "menu item", 0xEF}, {0x19010004, "window class", 4}, {0x77010001, "unknown", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(unit_kind_name(unit_id_kind(c.id)), c.kind) << std::hex << c.id;
        EXPECT_EQ(unit_id_serial(c.id), c.serial);
    }
    EXPECT_EQ(make_unit_id(UnitKind::window, 0x7B), 0x5201007Bu);
    EXPECT_EQ(unit_id_counter_bits(0x1601018C), 0x1018Cu);
    EXPECT_EQ(make_unit_type_word(15), 0x0001000Fu);
    EXPECT_TRUE(is_unit_type_word(0x0001001F));
    EXPECT_FALSE(is_unit_type_word(0x80000004));
    EXPECT_TRUE(is_host_value_type_word(0x80000301));
}

}  // namespace
}  // namespace tockly::image
