// Tockly's constants: every text the handlers use, the empty array initialiser, the icon and the
// built-in chime sound, listed once in `app/constant_table.h`. The image writer lays them into the
// image's constant pool with the image library's pool writer, in table order, and at load
// `bind_constants()` finds each one in the loaded image's pool with its readers, so the handlers
// work on the image's own constants.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "app/constant_table.h"
#include "image/const_pool.h"
#include "image/result.h"

namespace tockly::app {

// Pool order: the order of the table.
enum class ConstId : std::uint32_t {
#define TOCKLY_CONSTANT_ID(id, value) id,
    TOCKLY_CONSTANTS(TOCKLY_CONSTANT_ID)
#undef TOCKLY_CONSTANT_ID
        count
};

inline constexpr std::uint32_t const_count = static_cast<std::uint32_t>(ConstId::count);

struct Constant {
    ConstId id;
    image::ConstKind kind;
    // The item exactly as the pool writer lays it: a text with its NUL; a byte set as u32 1, u32
    // length, then the bytes; an array initialiser as u32 dimensions, then one u32 size each.
    std::vector<std::uint8_t> pool_bytes;
};

// The constant pool of Tockly's image. The icon is the program's ICO file, read by the image
// writer. Fails, naming the constant, when one would not have a place of its own in the pool (it
// equals an earlier one, or does not fit 32-bit offsets).
image::Result<std::vector<std::uint8_t>> write_constant_pool(std::span<const std::uint8_t> icon_bytes);

// Every constant in pool order, each as the pool writer laid it out: the pool cut into its items.
std::vector<Constant> constant_list(std::span<const std::uint8_t> icon_bytes);

// Walks a loaded image's constant pool in the order of `constant_list()`: every text and the chime
// must be byte-equal to ours, the icon must be a well-formed byte set, and the pool must end after
// the last one. On success the handlers' constants point into `pool`, which must outlive every
// handler call. On failure nothing is bound and the error names the constant and its offset.
image::Status bind_constants(std::span<const std::uint8_t> pool);

bool constants_bound();
void unbind_constants();

// A bound text of the pool.
const char* k(ConstId id);
// A bound byte set or array initialiser of the pool (points at its first u32 word).
const void* pool_item(ConstId id);
// Offset of a bound constant from the start of the pool.
std::uint32_t pool_offset(ConstId id);

}  // namespace tockly::app
