#include "host/core/pooled_allocator.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace tockly::host {

namespace {
constexpr std::uint32_t kFromHeap = 0xFFFFFFFFu;

void write_header(unsigned char* header, std::uint32_t size_class) {
    std::memcpy(header, &size_class, sizeof size_class);
}
}  // namespace

PooledAllocator::~PooledAllocator() {
    for (void* chunk : chunks_) std::free(chunk);
}

unsigned char* PooledAllocator::carve(std::size_t slot_bytes) {
    if (static_cast<std::size_t>(chunk_end_ - chunk_next_) < slot_bytes) {
        // The rest of the old chunk is too small for this slot: left unused.
        auto* chunk = static_cast<unsigned char*>(std::malloc(kChunkBytes));
        if (chunk == nullptr) return nullptr;
        chunks_.push_back(chunk);
        chunk_next_ = chunk;
        chunk_end_ = chunk + kChunkBytes;
    }
    unsigned char* slot = chunk_next_;
    chunk_next_ += slot_bytes;
    return slot;
}

void* PooledAllocator::allocate(std::uint32_t size) {
    const std::size_t bytes = block_bytes(size);
    if (bytes <= kLargestPooled) {
        const std::size_t size_class = (bytes - 1) / kStep;
        if (FreeBlock* block = free_[size_class]) {
            free_[size_class] = block->next;
            return block;
        }
        unsigned char* slot = carve(kHeader + (size_class + 1) * kStep);
        if (slot == nullptr) return nullptr;
        write_header(slot, static_cast<std::uint32_t>(size_class));
        return slot + kHeader;
    }
    if (bytes > SIZE_MAX - kHeader) return nullptr;  // a 32-bit size_t cannot hold the header too
    auto* header = static_cast<unsigned char*>(std::malloc(kHeader + bytes));
    if (header == nullptr) return nullptr;
    write_header(header, kFromHeap);
    return header + kHeader;
}

void PooledAllocator::release(void* block) {
    if (block == nullptr) return;
    unsigned char* header = static_cast<unsigned char*>(block) - kHeader;
    std::uint32_t size_class;
    std::memcpy(&size_class, header, sizeof size_class);
    if (size_class == kFromHeap) {
        std::free(header);
        return;
    }
    // The header stays as it is: the block goes back to its own class's list.
    free_[size_class] = new (block) FreeBlock{free_[size_class]};
}

}  // namespace tockly::host
