#include "host/core/block_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

namespace tockly::host {
namespace {

void* address(std::uintptr_t n) {
    return reinterpret_cast<void*>(n);
}

// Entries are found after any order of insertions and removals, through growth and shrinking:
// removal moves later entries of a probe run back, and a wrong move loses one.
TEST(BlockTable, FindsEveryEntryThroughRemovalsGrowthAndShrinking) {
    struct Case {
        const char* name;
        std::uintptr_t stride;  // the heap's spacing of blocks; 0: random addresses
        std::size_t count;
    };
    const Case cases[] = {{"heap-like stride", 48, 20000}, {"page stride", 4096, 5000}, {"random", 0, 20000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937_64 random(7);
        std::vector<void*> blocks;
        std::set<std::uintptr_t> seen;
        while (blocks.size() < c.count) {
            const std::uintptr_t n =
                c.stride != 0 ? 0x10000 + blocks.size() * c.stride : (random() | 1) & ~15ull;
            if (seen.insert(n).second) blocks.push_back(address(n));
        }
        BlockTable table;
        for (std::size_t i = 0; i < blocks.size(); ++i)
            table.insert(blocks[i], static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i) + 1);
        ASSERT_EQ(table.size(), blocks.size());
        std::shuffle(blocks.begin(), blocks.end(), random);
        const std::size_t keep = blocks.size() / 10;  // enough removals that the table shrinks
        for (std::size_t i = keep; i < blocks.size(); ++i) table.erase(blocks[i]);
        ASSERT_EQ(table.size(), keep);
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            const BlockTable::Entry* e = table.find(blocks[i]);
            if (i < keep) {
                ASSERT_NE(e, nullptr) << i;
                EXPECT_EQ(e->block, blocks[i]);
                EXPECT_TRUE(e->live);
            } else {
                ASSERT_EQ(e, nullptr) << i;
            }
        }
        std::size_t visited = 0;
        table.for_each([&](const BlockTable::Entry&) { ++visited; });
        EXPECT_EQ(visited, keep);
    }
}

TEST(BlockTable, AnEmptyTableFindsNothing) {
    BlockTable table;
    EXPECT_EQ(table.find(address(0x1000)), nullptr);
    EXPECT_EQ(table.find(nullptr), nullptr);
}

}  // namespace
}  // namespace tockly::host
