#include "host/core/text_memory.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

#include "image/text_routines.h"

namespace tockly::host {

namespace {
// How much released memory the counting allocator holds back before returning the oldest.
constexpr std::size_t kHeldBlocks = 1024;
constexpr std::uint64_t kHeldBytes = 64ull << 20;
// How much larger than the size asked for a held block may be and still be handed out again.
constexpr std::uint64_t kReuseSlack = 64;

// Under the address sanitizer a held block is poisoned, so a text read after its release is
// caught even though the heap has not had it back; a reused block is made readable only up to the
// size asked for, as a fresh block would end there.
void set_readable(void* block, std::uint32_t bytes, bool readable) {
#if defined(__SANITIZE_ADDRESS__)
    if (readable) {
        ASAN_UNPOISON_MEMORY_REGION(block, bytes);
    } else {
        ASAN_POISON_MEMORY_REGION(block, bytes);
    }
#else
    (void)block, (void)bytes, (void)readable;
#endif
}

std::string describe(const char* what, const void* block) {
    char line[96];
    std::snprintf(line, sizeof line, "%s %p", what, block);
    return line;
}
}  // namespace

void* HeapAllocator::allocate(std::uint32_t size) {
    return std::malloc(block_bytes(size));
}

void HeapAllocator::release(void* block) {
    std::free(block);
}

CountingAllocator::~CountingAllocator() {
    // Held-back blocks, and live ones (leaks of the code under test): free them so tools report
    // only ours.
    blocks_.for_each([](const BlockTable::Entry& e) { std::free(const_cast<void*>(e.block)); });
}

void* CountingAllocator::allocate(std::uint32_t size) {
    void* block = reuse_oldest_held(size);
    if (block == nullptr) {
        block = std::malloc(block_bytes(size));
        if (block == nullptr) return nullptr;
        // A released address is held back, not freed, for as long as it has its entry: the heap
        // cannot hand it out again meanwhile, so a new block never has one.
        blocks_.insert(block, size, block_bytes(size));
    }
    ++live_blocks_;
    live_bytes_ += size;
    ++allocations_;
    return block;
}

void CountingAllocator::release(void* block) {
    if (block == nullptr) return;
    BlockTable::Entry* found = blocks_.find(block);
    if (found == nullptr) {
        ++unknown_releases_;
        problems_.push_back(describe("released but never allocated:", block));
        return;
    }
    if (!found->live) {
        ++double_releases_;
        problems_.push_back(describe("released twice:", block));
        return;
    }
    found->live = false;
    --live_blocks_;
    live_bytes_ -= found->size;
    ++releases_;
    set_readable(block, found->capacity, false);
    hold_back(block, found->capacity);
}

void CountingAllocator::hold_back(void* block, std::uint32_t capacity) {
    if (held_.empty()) held_.resize(kHeldBlocks);
    while (held_count_ == kHeldBlocks || (held_count_ > 0 && held_bytes_ + capacity > kHeldBytes))
        return_oldest_held();
    held_[(held_first_ + held_count_) % kHeldBlocks] = Held{block, capacity};
    ++held_count_;
    held_bytes_ += capacity;
}

CountingAllocator::Held CountingAllocator::take_oldest_held() {
    const Held oldest = held_[held_first_];
    held_first_ = (held_first_ + 1) % kHeldBlocks;
    --held_count_;
    held_bytes_ -= oldest.capacity;
    return oldest;
}

void CountingAllocator::return_oldest_held() {
    const Held oldest = take_oldest_held();
    // Once the heap may hand this address out again it can no longer be told apart.
    blocks_.erase(oldest.block);
    set_readable(oldest.block, oldest.capacity, true);
    std::free(oldest.block);
}

void* CountingAllocator::reuse_oldest_held(std::uint32_t size) {
    // Once the ring is full, the oldest held block is the one the heap gets back next; handing
    // it out at once is the same as freeing it and the heap returning that address, without
    // either trip. Not before: a block released lately must stay recognisable. And only a block
    // of about the size asked for: a table's worth of memory does not serve a short text.
    if (held_count_ < kHeldBlocks) return nullptr;
    const std::uint32_t capacity = held_[held_first_].capacity;
    if (capacity < size || capacity > 2 * std::uint64_t{size} + kReuseSlack) return nullptr;
    const Held oldest = take_oldest_held();
    BlockTable::Entry* entry = blocks_.find(oldest.block);
    assert(entry != nullptr && !entry->live);
    entry->live = true;
    entry->size = size;
    set_readable(oldest.block, block_bytes(size), true);
    return oldest.block;
}

char* new_text(TextAllocator& memory, std::string_view bytes) {
    if (bytes.size() >= 0xFFFFFFFFu) return nullptr;
    auto* out = static_cast<char*>(memory.allocate(static_cast<std::uint32_t>(bytes.size() + 1)));
    if (out == nullptr) return nullptr;
    if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
    out[bytes.size()] = '\0';
    return out;
}

void* new_text_array(TextAllocator& memory, std::span<const std::string_view> pieces) {
    constexpr std::uint64_t kHeader = 8;
    const std::uint64_t count = pieces.size();
    if (count > (0xFFFFFFFFu - kHeader) / sizeof(char*)) return nullptr;
    auto* block = static_cast<std::uint8_t*>(
        memory.allocate(static_cast<std::uint32_t>(kHeader + count * sizeof(char*))));
    if (block == nullptr) return nullptr;
    const std::uint32_t dims = 1;
    const auto size = static_cast<std::uint32_t>(count);
    std::memcpy(block, &dims, 4);
    std::memcpy(block + 4, &size, 4);
    for (std::uint64_t i = 0; i < count; ++i) {
        char* text = new_text(memory, pieces[i]);
        if (text == nullptr) {
            // Undo: only the elements made so far are valid.
            const std::uint32_t made = static_cast<std::uint32_t>(i);
            std::memcpy(block + 4, &made, 4);
            release_text_array(memory, block);
            return nullptr;
        }
        std::memcpy(block + kHeader + i * sizeof(char*), &text, sizeof(char*));
    }
    return block;
}

void release_text_array(TextAllocator& memory, void* array) {
    if (array == nullptr) return;
    const image::ArrayElements elements = image::array_elements(array);
    for (std::uint64_t i = 0; i < elements.count; ++i) {
        char* text;
        std::memcpy(&text, elements.first + i * sizeof(char*), sizeof(char*));
        memory.release(text);
    }
    memory.release(array);
}

}  // namespace tockly::host
