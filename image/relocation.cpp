#include "image/relocation.h"

#include <cassert>

#include "image/byte_writer.h"
#include "image/cursor.h"

namespace tockly::image {

const char* relocation_kind_name(RelocationKind kind) {
    switch (kind) {
        case RelocationKind::helper_slot:
            return "helper";
        case RelocationKind::constant:
            return "const";
        case RelocationKind::global:
            return "var";
        case RelocationKind::code:
            return "code";
    }
    return "?";
}

std::uint32_t encode_relocation(CodeRelocation r) {
    assert(r.position <= relocation_max_position);
    return (r.position << 3) | static_cast<std::uint32_t>(r.kind);
}

Result<CodeRelocation> decode_relocation(std::uint32_t entry) {
    std::uint32_t kind = entry & 7;
    if (kind >= relocation_kind_count) {
        return make_error("relocation.kind", entry >> 3, kind, "relocation kinds 4 to 7 are not defined");
    }
    return CodeRelocation{entry >> 3, static_cast<RelocationKind>(kind)};
}

std::uint32_t RelocationBases::base_for(RelocationKind kind) const {
    switch (kind) {
        case RelocationKind::helper_slot:
            return helper_table;
        case RelocationKind::constant:
            return const_data;
        case RelocationKind::global:
            return var_data;
        case RelocationKind::code:
            return code;
    }
    return 0;
}

namespace {

bool fits(std::span<const std::uint8_t> code, std::uint64_t position) {
    return position <= code.size() && code.size() - position >= 4;
}

}  // namespace

Status apply_relocations(std::span<std::uint8_t> code, std::span<const std::uint32_t> entries,
                         const RelocationBases& bases) {
    // Check everything first so that a refused list leaves the code untouched.
    for (std::uint32_t entry : entries) {
        TOCKLY_TRY(r, decode_relocation(entry));
        if (!fits(code, r->position)) {
            return make_error("relocation.position", r->position, entry,
                              "no room for a 4-byte value in the code");
        }
    }
    for (std::uint32_t entry : entries) {
        auto r = decode_relocation(entry).value();
        std::uint32_t v = get_u32(code, r.position) + bases.base_for(r.kind);  // wraps modulo 2^32
        set_u32(code, r.position, v);
    }
    return Ok{};
}

Result<std::vector<std::uint8_t>> relocated_copy(std::span<const std::uint8_t> code,
                                                 std::span<const std::uint32_t> entries,
                                                 const RelocationBases& bases) {
    std::vector<std::uint8_t> copy(code.begin(), code.end());
    TOCKLY_TRY(done, apply_relocations(copy, entries, bases));
    return copy;
}

const char* reloc1_list_name(Reloc1List list) {
    switch (list) {
        case Reloc1List::unit_ids:
            return "unit identifiers";
        case Reloc1List::unused:
            return "second list";
        case Reloc1List::library_numbers:
            return "library numbers";
        case Reloc1List::type_words:
            return "unit type words";
    }
    return "?";
}

Result<Reloc1Lists> read_reloc1(std::span<const std::uint8_t> data, std::uint64_t base_offset) {
    ReadCursor cur(data, base_offset);
    Reloc1Lists out;
    for (auto& list : out.lists) {
        std::uint64_t at = cur.offset();
        TOCKLY_TRY(count, cur.u32("reloc1.count"));
        if (*count > cur.remaining() / 4) {
            return make_error("reloc1.count", at, *count, "more positions than bytes remain in the lists");
        }
        list.reserve(*count);
        for (std::uint32_t i = 0; i < *count; ++i) list.push_back(cur.u32("reloc1.position").value());
    }
    if (!cur.at_end()) {
        return make_error("reloc1.end", cur.offset(), cur.remaining(), "bytes follow the fourth list");
    }
    return out;
}

std::vector<std::uint8_t> write_reloc1(const Reloc1Lists& lists) {
    std::vector<std::uint8_t> out;
    for (const auto& list : lists.lists) {
        put_u32(out, static_cast<std::uint32_t>(list.size()));
        for (std::uint32_t p : list) put_u32(out, p);
    }
    return out;
}

Status renumber_positions(std::span<std::uint8_t> code, std::span<const std::uint32_t> positions,
                          const std::function<std::uint32_t(std::uint32_t)>& renumber) {
    for (std::uint32_t p : positions) {
        if (!fits(code, p))
            return make_error("reloc1.position", p, p, "no room for a 4-byte value in the code");
    }
    for (std::uint32_t p : positions) set_u32(code, p, renumber(get_u32(code, p)));
    return Ok{};
}

}  // namespace tockly::image
