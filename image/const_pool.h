// The constant pool: texts, doubles, byte sets and array initialisers laid end to end with no
// alignment. The code names a constant by its offset from the start of the pool's data.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "image/cursor.h"
#include "image/result.h"

namespace tockly::image {

enum class ConstKind : std::uint8_t { text, number, byte_set, array_init };

const char* const_kind_name(ConstKind kind);

// Builds a pool: each distinct constant is stored once, at its first addition; later additions
// of an equal constant (same kind, same bytes) answer the first one's offset.
class ConstPoolWriter {
  public:
    // GBK bytes without a NUL; the pool stores them with one.
    std::uint32_t add_text(std::string_view gbk);
    std::uint32_t add_double(double value);
    // u32 1, u32 length, then the bytes.
    std::uint32_t add_byte_set(std::span<const std::uint8_t> bytes);
    // u32 number of dimensions, then one u32 size per dimension.
    std::uint32_t add_array_init(std::span<const std::uint32_t> dimensions);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::uint32_t add(ConstKind kind, std::vector<std::uint8_t> item);

    std::vector<std::uint8_t> bytes_;
    std::map<std::pair<ConstKind, std::vector<std::uint8_t>>, std::uint32_t> seen_;
};

// Reads one item of a known kind at `offset` of the pool's data. `base_offset` is where the
// pool's data lies in the image, so errors name image offsets.
Result<std::string> read_pool_text(std::span<const std::uint8_t> pool, std::uint32_t offset,
                                   std::uint64_t base_offset = 0);
Result<double> read_pool_double(std::span<const std::uint8_t> pool, std::uint32_t offset,
                                std::uint64_t base_offset = 0);
Result<std::vector<std::uint8_t>> read_pool_byte_set(std::span<const std::uint8_t> pool, std::uint32_t offset,
                                                     std::uint64_t base_offset = 0);
Result<std::vector<std::uint32_t>> read_pool_array_init(std::span<const std::uint8_t> pool,
                                                        std::uint32_t offset, std::uint64_t base_offset = 0);

// Reads one item of a known kind where `cursor` stands and moves past it. Errors name `field`
// (a text), or `field` followed by ".dimensions", ".length", ".bytes" or ".size".
Result<std::string> take_pool_text(ReadCursor& cursor, std::string_view field);
Result<std::span<const std::uint8_t>> take_pool_byte_set(ReadCursor& cursor, std::string_view field);
Result<std::vector<std::uint32_t>> take_pool_array_init(ReadCursor& cursor, std::string_view field);

// The size in bytes of each kind's encoding (what the next item's offset is).
std::uint64_t pool_text_size(std::string_view gbk);
std::uint64_t pool_byte_set_size(std::uint64_t length);
std::uint64_t pool_array_init_size(std::uint64_t dimensions);

// A best guess at the items of a pool, for listings: the pool is untyped, so the items are cut
// at the offsets the code refers to and each piece is shown as the kind whose layout fills it
// exactly (a text, a byte set, an array initialiser, an 8-byte double), else as raw bytes.
struct PoolPiece {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    bool known = false;  // false: raw bytes, no layout fills the piece
    ConstKind kind = ConstKind::text;
};
std::vector<PoolPiece> guess_pool_items(std::span<const std::uint8_t> pool,
                                        std::vector<std::uint32_t> referenced);

}  // namespace tockly::image
