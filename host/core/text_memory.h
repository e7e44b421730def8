// Memory for the texts and arrays the host hands out. Every host allocates through one of these;
// the counting allocator, used by the headless host and the tests, knows every live block, so a
// test can prove that each text the host returned was released exactly once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/block_table.h"

namespace tockly::host {

class TextAllocator {
  public:
    virtual ~TextAllocator() = default;
    // A block of at least `size` bytes (a size of 0 still gives a distinct block); null when out
    // of memory.
    virtual void* allocate(std::uint32_t size) = 0;
    // Releasing null does nothing.
    virtual void release(void* block) = 0;
};

// The bytes a block of `size` takes: one at least, so that a size of 0 still gives a distinct block.
constexpr std::uint32_t block_bytes(std::uint32_t size) {
    return size == 0 ? 1 : size;
}

// Plain heap memory, nothing recorded.
class HeapAllocator final : public TextAllocator {
  public:
    void* allocate(std::uint32_t size) override;
    void release(void* block) override;
};

// Records every live block. A release of a block that is not live (released before, or never
// handed out) is not passed on to the heap: it is counted and described in problems().
// Released blocks are held back for a while before going back to the heap (or being handed out
// again, which is the same to the caller), so that a second release of a recent block is still
// recognised after new allocations. Under the address sanitizer a held block cannot be read.
class CountingAllocator final : public TextAllocator {
  public:
    CountingAllocator() = default;
    CountingAllocator(const CountingAllocator&) = delete;
    CountingAllocator& operator=(const CountingAllocator&) = delete;
    ~CountingAllocator() override;

    void* allocate(std::uint32_t size) override;
    void release(void* block) override;

    std::size_t live_blocks() const { return live_blocks_; }
    std::uint64_t live_bytes() const { return live_bytes_; }
    std::uint64_t allocations() const { return allocations_; }
    std::uint64_t releases() const { return releases_; }
    std::uint64_t double_releases() const { return double_releases_; }
    std::uint64_t unknown_releases() const { return unknown_releases_; }
    bool is_live(const void* block) const {
        const BlockTable::Entry* found = blocks_.find(block);
        return found != nullptr && found->live;
    }
    // One line per faulty release, in order.
    const std::vector<std::string>& problems() const { return problems_; }
    // True when nothing is live and no release was faulty.
    bool balanced() const { return live_blocks_ == 0 && problems_.empty(); }

  private:
    struct Held {
        void* block = nullptr;
        std::uint32_t capacity = 0;
    };
    void hold_back(void* block, std::uint32_t capacity);
    Held take_oldest_held();
    void return_oldest_held();
    // The oldest held block when it suits `size`, live again; null otherwise.
    void* reuse_oldest_held(std::uint32_t size);

    // Every block handed out and not yet returned to the heap: one entry that a release only
    // marks and a reuse marks again, so most texts' lives cost no insertion or removal at all.
    BlockTable blocks_;
    std::size_t live_blocks_ = 0;
    // The held-back blocks, oldest first, in a ring of fixed size.
    std::vector<Held> held_;
    std::size_t held_first_ = 0;
    std::size_t held_count_ = 0;
    std::uint64_t held_bytes_ = 0;
    std::uint64_t live_bytes_ = 0;
    std::uint64_t allocations_ = 0;
    std::uint64_t releases_ = 0;
    std::uint64_t double_releases_ = 0;
    std::uint64_t unknown_releases_ = 0;
    std::vector<std::string> problems_;
};

// A new text holding `bytes` and a NUL, owned by the caller; null when allocation fails.
char* new_text(TextAllocator& memory, std::string_view bytes);

// A new text array (u32 1, u32 count, then one text pointer per piece); every element is a new
// text. Null when any allocation fails (nothing is left allocated then).
void* new_text_array(TextAllocator& memory, std::span<const std::string_view> pieces);

// Releases a text array: every non-null element, then the block.
void release_text_array(TextAllocator& memory, void* array);

}  // namespace tockly::host
