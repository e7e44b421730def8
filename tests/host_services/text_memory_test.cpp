#include "host/core/text_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "counting_host.h"
#include "host/core/pooled_allocator.h"
#include "host/owned_text.h"

namespace tockly::host {
namespace {

TEST(CountingAllocator, BalancesWhenEveryBlockIsReleasedOnce) {
    CountingAllocator memory;
    char* a = new_text(memory, "abc");
    char* b = new_text(memory, "");
    EXPECT_EQ(memory.live_blocks(), 2u);
    EXPECT_EQ(memory.live_bytes(), 5u);
    EXPECT_FALSE(memory.balanced());
    memory.release(a);
    memory.release(b);
    memory.release(nullptr);  // nothing to release
    EXPECT_TRUE(memory.balanced());
    EXPECT_EQ(memory.allocations(), 2u);
    EXPECT_EQ(memory.releases(), 2u);
}

TEST(CountingAllocator, ReportsDoubleAndUnknownReleasesWithoutTouchingTheHeap) {
    CountingAllocator memory;
    char* a = new_text(memory, "abc");
    memory.release(a);
    // New blocks may come from the heap meanwhile; the old pointer is still recognised.
    std::vector<char*> others;
    for (int i = 0; i < 100; ++i) others.push_back(new_text(memory, "xyz"));
    memory.release(a);
    int stack_value = 0;
    memory.release(&stack_value);
    EXPECT_EQ(memory.double_releases(), 1u);
    EXPECT_EQ(memory.unknown_releases(), 1u);
    ASSERT_EQ(memory.problems().size(), 2u);
    EXPECT_NE(memory.problems()[0].find("twice"), std::string::npos);
    for (char* p : others) {
        EXPECT_STREQ(p, "xyz");  // no live block was harmed
        memory.release(p);
    }
    EXPECT_EQ(memory.live_blocks(), 0u);
    EXPECT_FALSE(memory.balanced());  // the faulty releases stay on record
}

TEST(TextArray, LayoutIsOneDimensionCountThenOwnedPointers) {
    CountingAllocator memory;
    const std::vector<std::string_view> pieces = {"A", "", "\xb1\xed"};
    void* array = new_text_array(memory, pieces);
    ASSERT_NE(array, nullptr);
    const auto* words = static_cast<const std::uint32_t*>(array);
    EXPECT_EQ(words[0], 1u);
    EXPECT_EQ(words[1], 3u);
    const auto* texts = reinterpret_cast<char* const*>(static_cast<const std::uint8_t*>(array) + 8);
    EXPECT_STREQ(texts[0], "A");
    EXPECT_STREQ(texts[1], "");
    EXPECT_STREQ(texts[2], "\xb1\xed");
    EXPECT_EQ(memory.live_blocks(), 4u);
    release_text_array(memory, array);
    EXPECT_TRUE(memory.balanced());
}

// Runs out of memory after a number of allocations.
class FailingAllocator final : public TextAllocator {
  public:
    explicit FailingAllocator(int allowed) : allowed_(allowed) {}
    void* allocate(std::uint32_t size) override { return allowed_-- > 0 ? inner.allocate(size) : nullptr; }
    void release(void* block) override { inner.release(block); }
    CountingAllocator inner;

  private:
    int allowed_;
};

TEST(TextArray, OutOfMemoryPartWayLeavesNothingAllocated) {
    const std::vector<std::string_view> pieces = {"a", "b", "c"};
    for (int allowed = 0; allowed < 4; ++allowed) {
        FailingAllocator memory(allowed);
        EXPECT_EQ(new_text_array(memory, pieces), nullptr) << allowed;
        EXPECT_TRUE(memory.inner.balanced()) << allowed;
    }
}

TEST(OwnedText, ReleasesExactlyOnceThroughTheHostAndReadsNullAsEmpty) {
    CountingHost host;
    {
        OwnedText text(host, new_text(host, "abc"));
        EXPECT_EQ(text.view(), "abc");
        OwnedText moved = std::move(text);
        EXPECT_TRUE(text.is_null());
        EXPECT_STREQ(moved.c_str(), "abc");
        OwnedText assigned(host, new_text(host, "old"));
        assigned = std::move(moved);  // "old" goes back now
        EXPECT_EQ(host.memory.live_blocks(), 1u);
        OwnedText none(host, static_cast<char*>(nullptr));
        EXPECT_STREQ(none.c_str(), "");
    }
    EXPECT_TRUE(host.memory.balanced());

    char* kept;
    {
        OwnedText text(host, new_text(host, "kept"));
        kept = text.take();
    }
    EXPECT_TRUE(host.memory.is_live(kept));
    host.release(kept);
    EXPECT_TRUE(host.memory.balanced());
}

TEST(OwnedTextArray, ReleasesElementsThenBlockAndSkipsNullElements) {
    CountingHost host;
    const std::vector<std::string_view> pieces = {"x", "y"};
    void* block = new_text_array(host.memory, pieces);
    // A null element is allowed in an array and reads as "".
    char** elements = reinterpret_cast<char**>(static_cast<std::uint8_t*>(block) + 8);
    host.release(elements[1]);
    elements[1] = nullptr;
    {
        OwnedTextArray array(host, reinterpret_cast<std::uintptr_t>(block));
        ASSERT_EQ(array.size(), 2u);
        EXPECT_STREQ(array.at(0), "x");
        EXPECT_STREQ(array.at(1), "");
        EXPECT_STREQ(array.at(2), "");  // past the end
    }
    EXPECT_TRUE(host.memory.balanced()) << (host.memory.problems().empty() ? "" : host.memory.problems()[0]);
}

// Blocks of every size, released in an order other than their allocation and allocated again in
// their place, each filled with its own mark: no block may overlap another or be handed out twice.
void check_blocks_never_overlap(TextAllocator& memory) {
    struct Live {
        unsigned char* block;
        std::uint32_t size;
        unsigned char mark;
    };
    std::vector<Live> live;
    unsigned char next_mark = 1;
    auto take = [&](std::uint32_t size) {
        auto* block = static_cast<unsigned char*>(memory.allocate(size));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(void*), 0u);  // arrays hold pointers
        std::memset(block, next_mark, size == 0 ? 1 : size);
        live.push_back({block, size == 0 ? 1 : size, next_mark});
        next_mark = static_cast<unsigned char>(next_mark % 250 + 1);
    };
    auto intact = [&] {
        for (const Live& l : live) {
            for (std::uint32_t i = 0; i < l.size; ++i) {
                if (l.block[i] != l.mark) return false;
            }
        }
        return true;
    };
    // Every size class and its edges, blocks from the heap, and enough to fill several chunks.
    const std::uint32_t sizes[] = {0, 1, 8, 15, 16, 17, 45, 100, 255, 256, 257, 4096, 70000};
    for (int round = 0; round < 400; ++round) {
        for (std::uint32_t size : sizes) take(size);
    }
    ASSERT_TRUE(intact());
    // Every other block back, then new ones of other sizes in their place.
    std::vector<Live> kept;
    for (std::size_t i = 0; i < live.size(); ++i) {
        if (i % 2 == 0) {
            memory.release(live[i].block);
        } else {
            kept.push_back(live[i]);
        }
    }
    live = kept;
    memory.release(nullptr);
    for (int round = 0; round < 400; ++round) {
        for (auto it = std::rbegin(sizes); it != std::rend(sizes); ++it) take(*it);
    }
    EXPECT_TRUE(intact());
    for (const Live& l : live) memory.release(l.block);
}

TEST(PooledAllocator, BlocksNeverOverlapWhateverTheSizesAndTheOrderOfReleases) {
    PooledAllocator memory;
    check_blocks_never_overlap(memory);
}

// The counting allocator hands a held-back block out again once enough releases came after it.
TEST(CountingAllocator, BlocksNeverOverlapAndStayCountedWhenHeldBlocksAreHandedOutAgain) {
    CountingAllocator memory;
    check_blocks_never_overlap(memory);
    EXPECT_TRUE(memory.balanced()) << (memory.problems().empty() ? "" : memory.problems()[0]);
    EXPECT_EQ(memory.allocations(), memory.releases());
    // After that churn a text released just now is still told from a live one.
    char* a = new_text(memory, "row");
    memory.release(a);
    char* b = new_text(memory, "row");
    memory.release(a);
    EXPECT_EQ(memory.double_releases(), 1u);
    EXPECT_TRUE(memory.is_live(b));
    memory.release(b);
    EXPECT_EQ(memory.live_blocks(), 0u);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(CountingAllocatorDeathTest, ReadingAReleasedTextIsCaughtWhileItIsHeldBack) {
    CountingAllocator memory;
    char* text = new_text(memory, "released");
    memory.release(text);
    EXPECT_DEATH(std::printf("%c", *static_cast<volatile char*>(text)), "use-after-poison");
}
#endif

}  // namespace
}  // namespace tockly::host
