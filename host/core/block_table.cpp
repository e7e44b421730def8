#include "host/core/block_table.h"

#include <cassert>
#include <utility>

namespace tockly::host {

namespace {
constexpr unsigned kFirstBits = 10;
}

std::size_t BlockTable::home(const void* block) const {
    // Fibonacci hashing of the address: the top bits of the product spread blocks that the heap
    // hands out at regular strides.
    const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(block));
    return static_cast<std::size_t>((address * 0x9E3779B97F4A7C15ull) >> shift_);
}

std::size_t BlockTable::slot_of(const void* block) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = home(block);
    while (slots_[at].block != nullptr && slots_[at].block != block) at = (at + 1) & mask;
    return at;
}

const BlockTable::Entry* BlockTable::find(const void* block) const {
    if (slots_.empty() || block == nullptr) return nullptr;
    const Entry& e = slots_[slot_of(block)];
    return e.block != nullptr ? &e : nullptr;
}

BlockTable::Entry* BlockTable::find(const void* block) {
    return const_cast<Entry*>(std::as_const(*this).find(block));
}

void BlockTable::insert(void* block, std::uint32_t size, std::uint32_t capacity) {
    assert(block != nullptr && find(block) == nullptr);
    if ((used_ + 1) * 2 > slots_.size()) grow();
    slots_[slot_of(block)] = Entry{block, size, capacity, true};
    ++used_;
}

void BlockTable::erase(const void* block) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t hole = slot_of(block);
    assert(slots_[hole].block == block);
    // Backward shift: every entry after the hole that would no longer be found past it moves in,
    // so lookups never meet a gap before their entry and no tombstones build up.
    for (std::size_t at = (hole + 1) & mask; slots_[at].block != nullptr; at = (at + 1) & mask) {
        const std::size_t want = home(slots_[at].block);
        const bool stays = hole <= at ? (hole < want && want <= at) : (hole < want || want <= at);
        if (stays) continue;
        slots_[hole] = slots_[at];
        hole = at;
    }
    slots_[hole] = Entry{};
    --used_;
    // Given back once most of it stands empty (a start-up's texts of every row have gone), with
    // room to spare so that a table that swings about one size does not rebuild each time.
    if (slots_.size() > (std::size_t{1} << kFirstBits) && used_ * 8 < slots_.size()) rebuild(64 - shift_ - 1);
}

void BlockTable::grow() {
    rebuild(slots_.empty() ? kFirstBits : 64 - shift_ + 1);
}

void BlockTable::rebuild(unsigned bits) {
    std::vector<Entry> old = std::move(slots_);
    slots_.assign(std::size_t{1} << bits, Entry{});
    shift_ = 64 - bits;
    for (const Entry& e : old)
        if (e.block != nullptr) slots_[slot_of(e.block)] = e;
}

}  // namespace tockly::host
