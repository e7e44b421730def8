#include "app/constants.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <string>
#include <string_view>

#include "app/chime_sound.h"
#include "image/cursor.h"

namespace tockly::app {

namespace {

using image::ConstKind;

// Where a byte set's bytes come from.
enum class ByteSource : std::uint8_t { none, icon_file, chime_sound };

// A constant's value as the table gives it; its kind is how the pool lays it out.
struct ConstValue {
    ConstKind kind;
    std::string_view text;  // a text's GBK bytes, without the NUL
    ByteSource source;
};

constexpr ConstValue text(std::string_view gbk) {
    return {ConstKind::text, gbk, ByteSource::none};
}
constexpr ConstValue empty_array() {
    return {ConstKind::array_init, {}, ByteSource::none};
}
constexpr ConstValue icon_file() {
    return {ConstKind::byte_set, {}, ByteSource::icon_file};
}
constexpr ConstValue chime_sound() {
    return {ConstKind::byte_set, {}, ByteSource::chime_sound};
}

struct ConstRow {
    ConstId id;
    const char* name;
    ConstValue value;
};

constexpr std::array<ConstRow, const_count> table = {{
#define TOCKLY_CONSTANT_ROW(id, value) ConstRow{ConstId::id, #id, value},
    TOCKLY_CONSTANTS(TOCKLY_CONSTANT_ROW)
#undef TOCKLY_CONSTANT_ROW
}};

constexpr bool texts_are_distinct() {
    for (std::size_t i = 0; i < table.size(); ++i)
        for (std::size_t j = i + 1; j < table.size(); ++j)
            if (table[i].value.kind == ConstKind::text && table[j].value.kind == ConstKind::text &&
                table[i].value.text == table[j].value.text)
                return false;
    return true;
}
static_assert(texts_are_distinct(), "the pool stores equal texts once: every text constant must differ");

[[maybe_unused]] const ConstRow& row_of(ConstId id) {
    return table[static_cast<std::uint32_t>(id)];
}

std::string field_of(const ConstRow& row) {
    return std::string("const.") + row.name;
}

// Each constant's offset in a pool written in table order.
using Offsets = std::array<std::uint32_t, const_count>;

constexpr std::uint32_t empty_array_dimensions[] = {0};

image::Result<std::uint32_t> add_constant(image::ConstPoolWriter& pool, const ConstRow& row,
                                          std::span<const std::uint8_t> icon_bytes,
                                          std::span<const std::uint8_t> chime) {
    switch (row.value.kind) {
        case ConstKind::text:
            return pool.add_text(row.value.text);
        case ConstKind::array_init:
            return pool.add_array_init(empty_array_dimensions);
        case ConstKind::byte_set: {
            const auto bytes = row.value.source == ByteSource::icon_file ? icon_bytes : chime;
            if (image::pool_byte_set_size(bytes.size()) > 0xFFFFFFFFu - pool.bytes().size())
                return image::make_error(field_of(row), pool.bytes().size(), bytes.size(),
                                         "constant pool does not fit 32-bit offsets");
            return pool.add_byte_set(bytes);
        }
        case ConstKind::number:
            break;  // Tockly keeps no numbers in its pool
    }
    assert(false && "a constant of a kind the table does not make");
    return image::make_error(field_of(row), pool.bytes().size(), "has no encoding");
}

image::Result<std::vector<std::uint8_t>> write_pool(std::span<const std::uint8_t> icon_bytes,
                                                    Offsets& offsets) {
    image::ConstPoolWriter pool;
    const std::vector<std::uint8_t> chime = chime_wav();
    for (const ConstRow& row : table) {
        const std::uint64_t end = pool.bytes().size();
        TOCKLY_TRY(at, add_constant(pool, row, icon_bytes, chime));
        // The writer answers an equal earlier constant's offset; the binding at load could not
        // tell the two apart.
        if (*at != end) return image::make_error(field_of(row), *at, "equals an earlier constant");
        offsets[static_cast<std::uint32_t>(row.id)] = *at;
    }
    return pool.bytes();
}

// Reads the constant of `row` where `cursor` stands and checks that it is Tockly's own.
image::Status take_constant(image::ReadCursor& cursor, const ConstRow& row,
                            std::span<const std::uint8_t> chime) {
    const std::string field = field_of(row);
    const std::uint64_t at = cursor.offset();
    switch (row.value.kind) {
        case ConstKind::text: {
            TOCKLY_TRY(read, image::take_pool_text(cursor, field));
            if (*read != row.value.text) return image::make_error(field, at, "is not Tockly's text");
            return image::Ok{};
        }
        case ConstKind::array_init: {
            TOCKLY_TRY(sizes, image::take_pool_array_init(cursor, field));
            if (!std::ranges::equal(*sizes, empty_array_dimensions))
                return image::make_error(field, at, "is not the empty one-dimensional array");
            return image::Ok{};
        }
        case ConstKind::byte_set: {
            TOCKLY_TRY(bytes, image::take_pool_byte_set(cursor, field));
            // Any well-formed icon will do; the chime is ours.
            if (row.value.source == ByteSource::chime_sound && !std::ranges::equal(*bytes, chime))
                return image::make_error(field, at, "is not Tockly's chime sound");
            return image::Ok{};
        }
        case ConstKind::number:
            break;
    }
    assert(false && "a constant of a kind the table does not make");
    return image::make_error(field, at, "has no reader");
}

struct Binding {
    bool bound = false;
    std::array<const std::uint8_t*, const_count> items{};
    Offsets offsets{};
};

Binding& binding() {
    static Binding b;
    return b;
}

}  // namespace

image::Result<std::vector<std::uint8_t>> write_constant_pool(std::span<const std::uint8_t> icon_bytes) {
    Offsets offsets{};
    return write_pool(icon_bytes, offsets);
}

std::vector<Constant> constant_list(std::span<const std::uint8_t> icon_bytes) {
    Offsets offsets{};
    auto pool = write_pool(icon_bytes, offsets);
    assert(pool.ok() && "an icon that gives every constant its own place");
    std::vector<Constant> list;
    list.reserve(const_count);
    for (std::uint32_t i = 0; i < const_count; ++i) {
        const auto begin = pool->begin() + offsets[i];
        const auto end = i + 1 < const_count ? pool->begin() + offsets[i + 1] : pool->end();
        list.push_back(Constant{table[i].id, table[i].value.kind, std::vector<std::uint8_t>(begin, end)});
    }
    return list;
}

image::Status bind_constants(std::span<const std::uint8_t> pool) {
    unbind_constants();
    Binding found;
    image::ReadCursor cursor(pool);
    const std::vector<std::uint8_t> chime = chime_wav();
    for (const ConstRow& row : table) {
        const auto i = static_cast<std::uint32_t>(row.id);
        const std::uint64_t at = cursor.position();
        found.items[i] = pool.data() + at;
        found.offsets[i] = static_cast<std::uint32_t>(at);
        if (auto taken = take_constant(cursor, row, chime); !taken) return taken.error();
    }
    if (!cursor.at_end())
        return image::make_error("const", cursor.position(), cursor.remaining(),
                                 "bytes follow the last of Tockly's constants");
    found.bound = true;
    binding() = found;
    return image::Ok{};
}

bool constants_bound() {
    return binding().bound;
}

void unbind_constants() {
    binding() = Binding{};
}

const char* k(ConstId id) {
    assert(binding().bound && row_of(id).value.kind == ConstKind::text);
    return reinterpret_cast<const char*>(binding().items[static_cast<std::uint32_t>(id)]);
}

const void* pool_item(ConstId id) {
    assert(binding().bound && row_of(id).value.kind != ConstKind::text);
    return binding().items[static_cast<std::uint32_t>(id)];
}

std::uint32_t pool_offset(ConstId id) {
    assert(binding().bound);
    return binding().offsets[static_cast<std::uint32_t>(id)];
}

}  // namespace tockly::app
