// The one field mapping of the image header and of a segment header, in layout order, so that a
// field is named and placed once. The binary reader and writer walk both; the JSON codec, the
// listing and the verifier walk the image header's.
//
// `v(field, member)` is called once per field; a member is a u32 or an array of bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "image/byte_writer.h"
#include "image/container.h"
#include "image/cursor.h"

namespace tockly::image {

// Where a header word's value comes from when an image is made from a description.
enum class WordSource : std::uint8_t {
    stored,     // as given; absent, the structure's default
    entry,      // the entry routine: an image offset, or an offset into the code segment
    from_chain  // where a part of the segment chain lies; "auto" in JSON works it out
};

struct HeaderField {
    const char* path;        // in every message: "header.word_28", "header.const_segment"
    const char* json_key;    // its key in the JSON header, or in its `json_group` there
    const char* json_group;  // "segment_table" for the five segment offsets, else null
    std::size_t offset;      // in the image
    const char* label;       // in a listing
    WordSource source;
    const char* points_at = nullptr;  // a word from the chain: what it must point at
};

// Everything of the fixed header after the magic: the reserved bytes and the 13 words.
template <typename V, typename Header>
void header_fields(V&& v, Header& h) {
    namespace cf = container_format;
    using enum WordSource;
    v(HeaderField{"header.reserved", "reserved", nullptr, cf::reserved_offset, "reserved 0x02", stored},
      h.reserved);
    v(HeaderField{"header.first_segment", "first_segment", nullptr, cf::first_segment_offset, "first segment",
                  from_chain, "the first segment header"},
      h.first_segment);
    v(HeaderField{"header.word_28", "word_28", nullptr, cf::word_28_offset, "word 0x28", stored}, h.word_28);
    v(HeaderField{"header.word_2c", "word_2c", nullptr, cf::word_2c_offset, "word 0x2c", stored}, h.word_2c);
    v(HeaderField{"header.reserved_30", "reserved_30", nullptr, cf::reserved_30_offset, "reserved 0x30",
                  stored},
      h.reserved_30);
    v(HeaderField{"header.id_counter", "id_counter", nullptr, cf::id_counter_offset, "identifier counter",
                  stored},
      h.id_counter);
    v(HeaderField{"header.reserved_38", "reserved_38", nullptr, cf::reserved_38_offset, "reserved 0x38",
                  stored},
      h.reserved_38);
    v(HeaderField{"header.entry", "entry", nullptr, cf::entry_offset, "entry", entry}, h.entry);
    static constexpr const char* table_paths[cf::segment_table_count] = {
        "header.const_segment", "header.form_segment", "header.help_segment", "header.code_segment",
        "header.var_segment"};
    static constexpr const char* table_labels[cf::segment_table_count] = {
        "const segment", "form segment", "help segment", "code segment", "var segment"};
    static constexpr const char* table_targets[cf::segment_table_count] = {
        "the const segment header", "the form segment header", "the help segment header",
        "the code segment header", "the var segment header"};
    for (std::size_t t = 0; t < cf::segment_table_count; ++t) {
        v(HeaderField{table_paths[t], cf::table_segment_names[t], "segment_table",
                      cf::segment_table_offset + 4 * t, table_labels[t], from_chain, table_targets[t]},
          h.segment_table[t]);
    }
    v(HeaderField{"header.library_end", "library_end", nullptr, cf::library_end_offset, "library end 0x54",
                  from_chain, "where the library table ends"},
      h.library_end);
}

// A segment header's fixed part as stored, before its relocation entries.
struct SegmentHeader {
    std::uint32_t header_size = 0;
    std::uint32_t next = 0;
    std::uint32_t flags = 0;
    std::array<std::uint8_t, container_format::seg_name_size> name{};
    std::uint32_t memory_size = 0;
    std::uint32_t stored_size = 0;
    std::uint32_t data_offset = 0;
    std::uint32_t relocation_count = 0;
    std::uint32_t reserved = 0;
};

struct SegmentField {
    const char* path;    // in every message: "segment.flags"
    std::size_t offset;  // from the segment header's start
};

template <typename V, typename Header>
void segment_header_fields(V&& v, Header& s) {
    namespace cf = container_format;
    v(SegmentField{"segment.header_size", cf::seg_header_size}, s.header_size);
    v(SegmentField{"segment.next", cf::seg_next}, s.next);
    v(SegmentField{"segment.flags", cf::seg_flags}, s.flags);
    v(SegmentField{"segment.name", cf::seg_name}, s.name);
    v(SegmentField{"segment.memory_size", cf::seg_memory_size}, s.memory_size);
    v(SegmentField{"segment.stored_size", cf::seg_stored_size}, s.stored_size);
    v(SegmentField{"segment.data_offset", cf::seg_data_offset}, s.data_offset);
    v(SegmentField{"segment.relocation_count", cf::seg_relocation_count}, s.relocation_count);
    v(SegmentField{"segment.reserved", cf::seg_reserved}, s.reserved);
}

// --- Walking a mapping in binary ------------------------------------------------------------------

// Reads every field of a mapping in order; the first field that does not fit is the error.
template <typename Walk, typename Structure>
Status read_fields(ReadCursor& cur, Walk walk, Structure& s) {
    std::optional<Error> failed;
    walk(
        [&](const auto& field, auto& member) {
            if (failed) return;
            using Member = std::remove_reference_t<decltype(member)>;
            if constexpr (std::is_same_v<Member, std::uint32_t>) {
                if (auto value = cur.u32(field.path)) {
                    member = *value;
                } else {
                    failed = value.error();
                }
            } else {
                if (auto bytes = cur.take(member.size(), field.path)) {
                    std::copy(bytes->begin(), bytes->end(), member.begin());
                } else {
                    failed = bytes.error();
                }
            }
        },
        s);
    if (failed) return *failed;
    return Ok{};
}

template <typename Walk, typename Structure>
void write_fields(std::vector<std::uint8_t>& out, Walk walk, const Structure& s) {
    walk(
        [&](const auto&, const auto& member) {
            using Member = std::remove_cvref_t<decltype(member)>;
            if constexpr (std::is_same_v<Member, std::uint32_t>) {
                put_u32(out, member);
            } else {
                put_bytes(out, std::span<const std::uint8_t>(member));
            }
        },
        s);
}

// The walks as values, for read_fields and write_fields.
inline constexpr auto walk_header = [](auto&& v, auto& h) { header_fields(v, h); };
inline constexpr auto walk_segment_header = [](auto&& v, auto& s) { segment_header_fields(v, s); };

}  // namespace tockly::image
