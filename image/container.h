// The application image as a structure: header words, library table and the segment chain.
//
// The reader is strict about the chain's layout: the first segment header follows the library
// table, each segment's data follows its header, and the next header follows the data. Those are
// exactly the images the writer produces, so every image the reader accepts writes back to the
// same bytes. Header words that merely point into the chain (the segment table, the word at 0x54
// and the entry offset) are kept as stored; `verify_image` checks that they agree.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/container_format.h"
#include "image/result.h"

namespace tockly::image {

struct ImageHeader {
    std::array<std::uint8_t, container_format::reserved_size> reserved{};  // 0x02, normally zero
    std::uint32_t first_segment = 0;                                       // 0x24
    std::uint32_t word_28 = container_format::usual_word_28;
    std::uint32_t word_2c = container_format::usual_word_2c;
    std::uint32_t reserved_30 = 0;
    std::uint32_t id_counter = 0;  // low 24 bits of the highest unit identifier
    std::uint32_t reserved_38 = 0;
    std::uint32_t entry = 0;  // image offset of the entry routine
    // Header offsets of const, form, help, code and var, in that order.
    std::array<std::uint32_t, container_format::segment_table_count> segment_table{};
    std::uint32_t library_end = 0;  // 0x54: the first segment's offset

    bool operator==(const ImageHeader&) const = default;
};

struct LibraryRow {
    std::string file_name;      // ASCII base name, e.g. the host library's
    std::string identifier;     // 32 hexadecimal digits, case as stored
    std::string major_version;  // decimal text
    std::string minor_version;  // decimal text
    std::string display_name;   // GBK

    bool operator==(const LibraryRow&) const = default;
};

struct Segment {
    // 1 to 23 printable ASCII characters; the rest of the 24-byte field is NUL. The reader
    // refuses any other name field, so the name alone gives back the field's bytes.
    std::string name;
    std::uint32_t flags = container_format::flag_present;
    std::uint32_t memory_size = 0;
    // The stored data; nothing when the segment stores nothing (data offset 0xFFFFFFFF), which
    // differs from stored data of length 0 (a data offset that points right after the header).
    std::optional<std::vector<std::uint8_t>> data;
    std::uint32_t reserved = 0;              // header word 0x34
    std::vector<std::uint32_t> relocations;  // raw entries: position << 3 | kind

    std::uint64_t stored_size() const { return data ? data->size() : 0; }
    bool operator==(const Segment&) const = default;
};

struct Image {
    ImageHeader header;
    std::vector<LibraryRow> libraries;
    std::vector<Segment> segments;  // chain order

    // The first segment of that name, or null.
    const Segment* find(std::string_view name) const;
    Segment* find(std::string_view name);
    bool operator==(const Image&) const = default;
};

// Where the writer puts each part of an image.
struct SegmentPlace {
    std::uint64_t header_offset = 0;
    std::uint64_t header_size = 0;
    std::uint64_t data_offset = 0;  // container_format::none when nothing is stored
    std::uint64_t end = 0;          // the next header's offset
};
struct ImageLayout {
    std::uint64_t library_end = 0;  // = first segment's header offset
    std::vector<SegmentPlace> segments;
    std::uint64_t size = 0;
};

// Places the parts by the layout rules; fails when a part does not fit the format (a library
// row holding a NUL or CR, a bad segment name, too many relocations, or an image past 4 GiB).
Result<ImageLayout> compute_layout(const Image& image);

// `image`'s header with the words that point into the chain as `layout` places it: the
// first-segment offset, the word at 0x54 and the five segment offsets (0xFFFFFFFF for a segment
// that is absent).
ImageHeader header_with_chain_words(const Image& image, const ImageLayout& layout);

// Fills the header words that point into the chain from the chain itself: the first-segment
// offset, the word at 0x54, the five segment offsets (0xFFFFFFFF for a segment that is absent) and,
// when given, the entry offset as the code segment's data offset plus `entry_in_code`.
Status finalize_layout(Image& image, std::optional<std::uint32_t> entry_in_code = std::nullopt);

// Writes the header words as they are in `image`; the chain's own offsets come from the layout.
Result<std::vector<std::uint8_t>> write_image(const Image& image);

struct ReadImage {
    Image image;
    std::uint64_t end = 0;  // one past the image's last byte
};

// Reads an image from the start of `bytes`, which may go on past the image's end (the host gets
// the image from memory bounded only by the data section).
Result<ReadImage> read_image_prefix(std::span<const std::uint8_t> bytes);

// Reads an image that must fill `bytes` exactly (a file).
Result<Image> read_image(std::span<const std::uint8_t> bytes);

}  // namespace tockly::image
