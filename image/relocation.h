// Code relocations and the `@reloc1` lists.
//
// A code relocation entry is one u32: position << 3 | kind. The u32 at that position of the code
// is an offset that becomes an address by adding the base for its kind. The `@reloc1` data is four
// lists (unit identifiers, a list not used, library numbers, unit type words), each a u32 count
// and that many code positions of 32-bit operands a host may renumber.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "image/result.h"

namespace tockly::image {

enum class RelocationKind : std::uint8_t {
    helper_slot = 0,  // + the host's helper table
    constant = 1,     // + the const data
    global = 2,       // + the var data
    code = 3,         // + the code
};
inline constexpr std::uint32_t relocation_kind_count = 4;
inline constexpr std::uint32_t relocation_max_position = 0x1FFFFFFF;

const char* relocation_kind_name(RelocationKind kind);

struct CodeRelocation {
    std::uint32_t position = 0;  // byte offset within the code data of a 32-bit value
    RelocationKind kind = RelocationKind::helper_slot;
    bool operator==(const CodeRelocation&) const = default;
};

// `position` must be at most relocation_max_position.
std::uint32_t encode_relocation(CodeRelocation relocation);
// Kinds 4 to 7 are refused.
Result<CodeRelocation> decode_relocation(std::uint32_t entry);

struct RelocationBases {
    std::uint32_t helper_table = 0;
    std::uint32_t const_data = 0;
    std::uint32_t var_data = 0;
    std::uint32_t code = 0;
    std::uint32_t base_for(RelocationKind kind) const;
};

// Bases for a copy of the code that is relocated but never run (the headless host, checks,
// tests): distinct, recognisable values, so a relocated word shows which segment it points into.
inline constexpr RelocationBases stand_in_bases{0x10000000, 0x20000000, 0x30000000, 0x40000000};

// Adds each entry's base to the u32 at its position, in 32-bit arithmetic (wrapping as the target
// does). Refuses an unknown kind or a position without room for 4 bytes; `code` is then
// unchanged.
Status apply_relocations(std::span<std::uint8_t> code, std::span<const std::uint32_t> entries,
                         const RelocationBases& bases);
// The same on a copy: the stored code stays as it is.
Result<std::vector<std::uint8_t>> relocated_copy(std::span<const std::uint8_t> code,
                                                 std::span<const std::uint32_t> entries,
                                                 const RelocationBases& bases);

enum class Reloc1List : std::uint8_t { unit_ids = 0, unused = 1, library_numbers = 2, type_words = 3 };
inline constexpr std::size_t reloc1_list_count = 4;
const char* reloc1_list_name(Reloc1List list);

struct Reloc1Lists {
    std::array<std::vector<std::uint32_t>, reloc1_list_count> lists;
    const std::vector<std::uint32_t>& operator[](Reloc1List l) const {
        return lists[static_cast<std::size_t>(l)];
    }
    std::vector<std::uint32_t>& operator[](Reloc1List l) { return lists[static_cast<std::size_t>(l)]; }
    bool operator==(const Reloc1Lists&) const = default;
};

// The four lists must fill `data` exactly. `base_offset` is where the data lies in the image.
Result<Reloc1Lists> read_reloc1(std::span<const std::uint8_t> data, std::uint64_t base_offset = 0);
std::vector<std::uint8_t> write_reloc1(const Reloc1Lists& lists);

// Rewrites the u32 at each position through `renumber` (a host that numbers units, libraries or
// type words its own way). Refuses a position without room for 4 bytes; `code` is then unchanged.
Status renumber_positions(std::span<std::uint8_t> code, std::span<const std::uint32_t> positions,
                          const std::function<std::uint32_t(std::uint32_t)>& renumber);

}  // namespace tockly::image
