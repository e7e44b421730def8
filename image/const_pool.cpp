#include "image/const_pool.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "image/byte_writer.h"
#include "image/cursor.h"

namespace tockly::image {

const char* const_kind_name(ConstKind kind) {
    switch (kind) {
        case ConstKind::text:
            return "text";
        case ConstKind::number:
            return "double";
        case ConstKind::byte_set:
            return "byte set";
        case ConstKind::array_init:
            return "array initialiser";
    }
    return "?";
}

std::uint32_t ConstPoolWriter::add(ConstKind kind, std::vector<std::uint8_t> item) {
    auto key = std::make_pair(kind, std::move(item));
    auto found = seen_.find(key);
    if (found != seen_.end()) return found->second;
    assert(bytes_.size() + key.second.size() < 0xFFFFFFFFull);
    auto offset = static_cast<std::uint32_t>(bytes_.size());
    put_bytes(bytes_, key.second);
    seen_.emplace(std::move(key), offset);
    return offset;
}

std::uint32_t ConstPoolWriter::add_text(std::string_view gbk) {
    assert(gbk.find('\0') == std::string_view::npos);
    std::vector<std::uint8_t> item(gbk.begin(), gbk.end());
    item.push_back(0);
    return add(ConstKind::text, std::move(item));
}

std::uint32_t ConstPoolWriter::add_double(double value) {
    std::vector<std::uint8_t> item;
    put_f64(item, value);
    return add(ConstKind::number, std::move(item));
}

std::uint32_t ConstPoolWriter::add_byte_set(std::span<const std::uint8_t> bytes) {
    assert(bytes.size() <= 0xFFFFFFFFull);
    std::vector<std::uint8_t> item;
    put_u32(item, 1);
    put_u32(item, static_cast<std::uint32_t>(bytes.size()));
    put_bytes(item, bytes);
    return add(ConstKind::byte_set, std::move(item));
}

std::uint32_t ConstPoolWriter::add_array_init(std::span<const std::uint32_t> dimensions) {
    std::vector<std::uint8_t> item;
    put_u32(item, static_cast<std::uint32_t>(dimensions.size()));
    for (std::uint32_t d : dimensions) put_u32(item, d);
    return add(ConstKind::array_init, std::move(item));
}

namespace {

Result<ReadCursor> at_item(std::span<const std::uint8_t> pool, std::uint32_t offset, std::uint64_t base) {
    ReadCursor cur(pool, base);
    TOCKLY_TRY(moved, cur.seek(offset, "const.offset"));
    if (cur.at_end())
        return make_error("const.offset", base + offset, offset, "no constant starts at the pool's end");
    return cur;
}

}  // namespace

Result<std::string> take_pool_text(ReadCursor& cursor, std::string_view field) {
    return cursor.nul_text(field);
}

Result<std::span<const std::uint8_t>> take_pool_byte_set(ReadCursor& cursor, std::string_view field) {
    const std::string name(field);
    const std::uint64_t at = cursor.offset();
    TOCKLY_TRY(dims, cursor.u32(name + ".dimensions"));
    if (*dims != 1) return make_error(name + ".dimensions", at, *dims, "a byte set has one dimension");
    TOCKLY_TRY(length, cursor.u32(name + ".length"));
    return cursor.take(*length, name + ".bytes");
}

Result<std::vector<std::uint32_t>> take_pool_array_init(ReadCursor& cursor, std::string_view field) {
    const std::string name(field);
    const std::uint64_t at = cursor.offset();
    TOCKLY_TRY(dims, cursor.u32(name + ".dimensions"));
    if (*dims > cursor.remaining() / 4) {
        return make_error(name + ".dimensions", at, *dims, "more dimensions than bytes remain in the pool");
    }
    std::vector<std::uint32_t> sizes;
    sizes.reserve(*dims);
    for (std::uint32_t i = 0; i < *dims; ++i) {
        TOCKLY_TRY(d, cursor.u32(name + ".size"));
        sizes.push_back(*d);
    }
    return sizes;
}

Result<std::string> read_pool_text(std::span<const std::uint8_t> pool, std::uint32_t offset,
                                   std::uint64_t base) {
    TOCKLY_TRY(cur, at_item(pool, offset, base));
    return take_pool_text(*cur, "const.text");
}

Result<double> read_pool_double(std::span<const std::uint8_t> pool, std::uint32_t offset,
                                std::uint64_t base) {
    TOCKLY_TRY(cur, at_item(pool, offset, base));
    return cur->f64("const.double");
}

Result<std::vector<std::uint8_t>> read_pool_byte_set(std::span<const std::uint8_t> pool, std::uint32_t offset,
                                                     std::uint64_t base) {
    TOCKLY_TRY(cur, at_item(pool, offset, base));
    TOCKLY_TRY(bytes, take_pool_byte_set(*cur, "const.byte_set"));
    return std::vector<std::uint8_t>(bytes->begin(), bytes->end());
}

Result<std::vector<std::uint32_t>> read_pool_array_init(std::span<const std::uint8_t> pool,
                                                        std::uint32_t offset, std::uint64_t base) {
    TOCKLY_TRY(cur, at_item(pool, offset, base));
    return take_pool_array_init(*cur, "const.array");
}

std::uint64_t pool_text_size(std::string_view gbk) {
    return gbk.size() + 1;
}
std::uint64_t pool_byte_set_size(std::uint64_t length) {
    return 8 + length;
}
std::uint64_t pool_array_init_size(std::uint64_t dimensions) {
    return 4 + 4 * dimensions;
}

std::vector<PoolPiece> guess_pool_items(std::span<const std::uint8_t> pool,
                                        std::vector<std::uint32_t> referenced) {
    referenced.push_back(0);
    std::sort(referenced.begin(), referenced.end());
    referenced.erase(std::unique(referenced.begin(), referenced.end()), referenced.end());
    while (!referenced.empty() && referenced.back() >= pool.size()) referenced.pop_back();

    std::vector<PoolPiece> pieces;
    for (std::size_t i = 0; i < referenced.size(); ++i) {
        PoolPiece p;
        p.offset = referenced[i];
        std::uint64_t end = i + 1 < referenced.size() ? referenced[i + 1] : pool.size();
        p.size = static_cast<std::uint32_t>(end - p.offset);
        auto piece = pool.subspan(p.offset, p.size);
        auto u32_at = [&](std::size_t at) { return get_u32(piece, at); };
        // An empty byte set and the array initialiser (1, 0) share their bytes; the latter is
        // the one that occurs.
        const auto nul = std::find(piece.begin(), piece.end(), std::uint8_t{0});
        if (nul + 1 == piece.end()) {
            p.known = true;
            p.kind = ConstKind::text;
        } else if (p.size >= 4 && u32_at(0) <= p.size / 4 && pool_array_init_size(u32_at(0)) == p.size) {
            p.known = true;
            p.kind = ConstKind::array_init;
        } else if (p.size >= 8 && u32_at(0) == 1 && pool_byte_set_size(u32_at(4)) == p.size) {
            p.known = true;
            p.kind = ConstKind::byte_set;
        } else if (p.size == 8) {
            p.known = true;
            p.kind = ConstKind::number;
        }
        pieces.push_back(p);
    }
    return pieces;
}

}  // namespace tockly::image
