// The counting allocator's record of the blocks it handed out, by address. Open addressing with
// linear probing in one array: recording and forgetting a block costs a few probes and no
// allocation of its own, where a node-based map allocates and frees a node for every text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tockly::host {

class BlockTable {
  public:
    struct Entry {
        const void* block = nullptr;  // null: the slot is empty
        std::uint32_t size = 0;       // what was asked for
        std::uint32_t capacity = 0;   // what the heap gave: a held-back block may serve a smaller size
        bool live = false;            // false: released, held back and not yet returned to the heap
    };

    // The entry of `block`, or null when it has none.
    Entry* find(const void* block);
    const Entry* find(const void* block) const;
    // Records a block that has no entry yet. Not a pointer to const: the block is not read, and it
    // may be fresh memory, which a pointer to const would tell the compiler is read.
    void insert(void* block, std::uint32_t size, std::uint32_t capacity);  // a live block
    // Forgets a block that has an entry.
    void erase(const void* block);
    std::size_t size() const { return used_; }

    template <typename F>
    void for_each(F&& f) const {
        for (const Entry& e : slots_)
            if (e.block != nullptr) f(e);
    }

  private:
    std::size_t home(const void* block) const;
    std::size_t slot_of(const void* block) const;  // its slot, or the empty one where it would go
    void grow();
    void rebuild(unsigned bits);  // 2^bits slots, every entry moved over

    std::vector<Entry> slots_;
    std::size_t used_ = 0;
    unsigned shift_ = 64;
};

}  // namespace tockly::host
