// Memory for the texts of the one thread that runs the handlers, where a table makes them by the
// hundred thousand: a tick or a save reads every row into a new text and releases it again, and
// start-up splits the table into one text per row. Small blocks come from free lists, which hand
// one out and take it back in a few instructions where a general heap takes many; they are kept
// for reuse while the program runs. Larger blocks go to the heap. Not for use by several threads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/core/text_memory.h"

namespace tockly::host {

class PooledAllocator final : public TextAllocator {
  public:
    PooledAllocator() = default;
    PooledAllocator(const PooledAllocator&) = delete;
    PooledAllocator& operator=(const PooledAllocator&) = delete;
    ~PooledAllocator() override;

    void* allocate(std::uint32_t size) override;
    void release(void* block) override;

  private:
    // Blocks of up to kLargestPooled bytes, in steps of kStep; each has a header of kHeader bytes
    // before it naming its size class (or that it came from the heap).
    static constexpr std::size_t kStep = 16;
    static constexpr std::size_t kClasses = 16;
    static constexpr std::size_t kLargestPooled = kStep * kClasses;
    static constexpr std::size_t kHeader = 8;
    static constexpr std::size_t kChunkBytes = 64 * 1024;

    struct FreeBlock {
        FreeBlock* next;
    };
    unsigned char* carve(std::size_t slot_bytes);

    std::array<FreeBlock*, kClasses> free_{};
    std::vector<void*> chunks_;
    unsigned char* chunk_next_ = nullptr;
    unsigned char* chunk_end_ = nullptr;
};

}  // namespace tockly::host
