#include "image/const_pool.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tockly::image {
namespace {

TEST(ConstPool, EachConstantOnceInOrderOfFirstAdditionUnaligned) {
    ConstPoolWriter pool;
    std::uint32_t dims[] = {0};
    std::uint8_t set[] = {9, 8, 7};
    EXPECT_EQ(pool.add_text("ab"), 0u);
    EXPECT_EQ(pool.add_double(1.0), 3u);  // not aligned
    EXPECT_EQ(pool.add_text(""), 11u);
    EXPECT_EQ(pool.add_text("ab"), 0u);
    EXPECT_EQ(pool.add_byte_set(set), 12u);
    EXPECT_EQ(pool.add_array_init(dims), 23u);
    EXPECT_EQ(pool.add_double(1.0), 3u);
    EXPECT_EQ(pool.add_double(-0.0), 31u);  // a different constant from 0.0 by its bytes
    EXPECT_EQ(pool.add_double(0.0), 39u);
    // An empty byte set has the bytes of the array initialiser (1, 0) but is another constant.
    EXPECT_EQ(pool.add_byte_set({}), 47u);
    EXPECT_EQ(pool.bytes().size(), 55u);

    const auto& b = pool.bytes();
    EXPECT_EQ(read_pool_text(b, 0).value(), "ab");
    EXPECT_EQ(read_pool_double(b, 3).value(), 1.0);
    EXPECT_EQ(read_pool_text(b, 11).value(), "");
    EXPECT_EQ(read_pool_byte_set(b, 12).value(), (std::vector<std::uint8_t>{9, 8, 7}));
    EXPECT_EQ(read_pool_array_init(b, 23).value(), (std::vector<std::uint32_t>{0}));
}

TEST(ConstPool, ReadsAreBoundsChecked) {
    ConstPoolWriter pool;
    pool.add_text("x");
    std::uint32_t dims[] = {2, 3};
    pool.add_array_init(dims);  // at 2, 12 bytes
    std::vector<std::uint8_t> b = pool.bytes();
    const std::uint64_t base = 0x1000;

    struct Case {
        const char* name;
        std::function<Error()> read;
        const char* field;
        std::uint64_t offset;
    };
    auto err = [](auto r) { return r.ok() ? Error{} : r.error(); };
    std::vector<std::uint8_t> no_nul = {'a', 'b'};
    std::vector<std::uint8_t> big_set = {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1};
    std::vector<std::uint8_t> two_dims_set = {2, 0, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> many_dims = {0xFF, 0xFF, 0xFF, 0x3F, 0, 0, 0, 0};
    const Case cases[] = {
        {"offset at the end", [&] { return err(read_pool_text(b, 14, base)); }, "const.offset", base + 14},
        {"offset past the end", [&] { return err(read_pool_double(b, 0xFFFFFFFF, base)); }, "const.offset",
         base},
        {"text without its NUL", [&] { return err(read_pool_text(no_nul, 0, base)); }, "const.text", base},
        {"double one byte short", [&] { return err(read_pool_double(b, 7, base)); }, "const.double",
         base + 7},
        {"byte set longer than the pool", [&] { return err(read_pool_byte_set(big_set, 0, base)); },
         "const.byte_set.bytes", base + 8},
        {"byte set of two dimensions", [&] { return err(read_pool_byte_set(two_dims_set, 0, base)); },
         "const.byte_set.dimensions", base},
        {"dimension count that cannot fit", [&] { return err(read_pool_array_init(many_dims, 0, base)); },
         "const.array.dimensions", base},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Error e = c.read();
        EXPECT_EQ(e.field, c.field) << e.message();
        EXPECT_EQ(e.offset, c.offset) << e.message();
    }
    // Ends exactly at the end.
    EXPECT_EQ(read_pool_array_init(b, 2).value(), (std::vector<std::uint32_t>{2, 3}));
}

TEST(ConstPool, ListingGuessesItemsAtReferencedOffsets) {
    ConstPoolWriter pool;
    std::uint32_t empty_array[] = {0};
    std::uint8_t set[] = {1, 2};
    std::vector<std::uint32_t> refs = {pool.add_text("hi"), pool.add_double(1.0),
                                       pool.add_array_init(empty_array), pool.add_byte_set(set)};
    auto pieces = guess_pool_items(pool.bytes(), refs);
    ASSERT_EQ(pieces.size(), 4u);
    const ConstKind kinds[] = {ConstKind::text, ConstKind::number, ConstKind::array_init,
                               ConstKind::byte_set};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(pieces[i].known);
        EXPECT_EQ(pieces[i].kind, kinds[i]) << i;
        EXPECT_EQ(pieces[i].offset, refs[i]);
    }
    // A reference past the pool is ignored; an unreferenced tail stays raw.
    std::vector<std::uint8_t> odd = {'a', 0, 1, 2, 3};
    pieces = guess_pool_items(odd, {0, 99});
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_FALSE(pieces[0].known);
    EXPECT_TRUE(guess_pool_items({}, {0}).empty());
}

}  // namespace
}  // namespace tockly::image
