#include "image/container.h"

#include <cstring>

#include "image/byte_writer.h"
#include "image/container_fields.h"
#include "image/cursor.h"
#include "image/hex_text.h"

namespace tockly::image {

namespace cf = container_format;

namespace {

std::string hex32(std::uint64_t v) {
    return hex(v, 8, HexLetters::lower);
}

bool valid_segment_name(std::string_view name) {
    if (name.empty() || name.size() >= cf::seg_name_size) return false;
    for (char c : name) {
        if (c < 0x21 || c > 0x7E) return false;
    }
    return true;
}

std::vector<std::string> split_row(const std::string& row) {
    std::vector<std::string> fields(1);
    for (char c : row) {
        if (c == cf::library_field_separator) {
            fields.emplace_back();
        } else {
            fields.back().push_back(c);
        }
    }
    return fields;
}

bool valid_library_field(std::string_view field) {
    return field.find('\0') == std::string_view::npos &&
           field.find(cf::library_field_separator) == std::string_view::npos;
}

Result<std::vector<LibraryRow>> read_library_table(ReadCursor& cur) {
    std::vector<LibraryRow> rows;
    for (;;) {
        std::uint64_t row_at = cur.offset();
        if (cur.at_end()) {
            return make_error("library.end", row_at, "the library table ends without its empty row");
        }
        auto row = cur.nul_text("library.row");
        if (!row) {
            return make_error("library.row", row_at,
                              "library row has no terminating zero (and the table no empty row)");
        }
        if (row->empty()) return rows;
        auto fields = split_row(*row);
        if (fields.size() != cf::library_field_count) {
            return make_error("library.row", row_at, fields.size(),
                              "a library row must hold exactly five fields separated by carriage returns");
        }
        rows.push_back(LibraryRow{fields[0], fields[1], fields[2], fields[3], fields[4]});
    }
}

struct SegmentRead {
    Segment segment;
    std::uint32_t next = 0;
    std::uint64_t end = 0;
};

Result<SegmentRead> read_segment(ReadCursor& cur) {
    const std::uint64_t at = cur.offset();
    SegmentRead out;
    Segment& seg = out.segment;

    SegmentHeader stored;
    TOCKLY_CHECK(read_fields(cur, walk_segment_header, stored));

    // The name: printable ASCII, then NUL up to the end of the field.
    const auto& nf = stored.name;
    std::size_t len = 0;
    while (len < nf.size() && nf[len] != 0) ++len;
    seg.name.assign(reinterpret_cast<const char*>(nf.data()), len);
    bool padded = true;
    for (std::size_t i = len; i < nf.size(); ++i) padded = padded && nf[i] == 0;
    if (!padded || !valid_segment_name(seg.name)) {
        return make_error("segment.name", at + cf::seg_name,
                          "segment name must be 1 to 23 printable ASCII characters padded with zero bytes");
    }

    // Check the count against what remains before multiplying it.
    if (stored.relocation_count > cur.remaining() / cf::relocation_entry_size) {
        return make_error("segment.relocation_count", at + cf::seg_relocation_count, stored.relocation_count,
                          "more relocation entries than bytes remain in the image");
    }
    const std::uint64_t expected_size =
        cf::seg_fixed_size + std::uint64_t{stored.relocation_count} * cf::relocation_entry_size;
    if (stored.header_size != expected_size) {
        return make_error(
            "segment.header_size", at + cf::seg_header_size, stored.header_size,
            "header size must be 0x38 + 4 x the relocation count (" + hex32(expected_size) + ")");
    }
    seg.relocations.reserve(stored.relocation_count);
    for (std::uint32_t i = 0; i < stored.relocation_count; ++i) {
        TOCKLY_TRY(entry, cur.u32("segment.relocation"));
        seg.relocations.push_back(*entry);
    }
    seg.flags = stored.flags;
    seg.memory_size = stored.memory_size;
    seg.reserved = stored.reserved;

    const std::uint64_t header_end = at + expected_size;
    if (stored.data_offset == cf::none) {
        if (stored.stored_size != 0) {
            return make_error(
                "segment.stored_size", at + cf::seg_stored_size, stored.stored_size,
                "a segment that stores nothing (data offset 0xffffffff) must have stored size 0");
        }
        out.end = header_end;
    } else {
        if (stored.flags & cf::flag_zero_fill) {
            return make_error("segment.data_offset", at + cf::seg_data_offset, stored.data_offset,
                              "a zero-filled segment stores nothing: its data offset must be 0xffffffff");
        }
        if (stored.data_offset != header_end) {
            return make_error(
                "segment.data_offset", at + cf::seg_data_offset, stored.data_offset,
                "stored data must follow the segment header directly (at " + hex32(header_end) + ")");
        }
        if (stored.stored_size > cur.remaining()) {
            return make_error("segment.stored_size", at + cf::seg_stored_size, stored.stored_size,
                              "stored data runs past the end of the image (" +
                                  std::to_string(cur.remaining()) + " bytes remain)");
        }
        TOCKLY_TRY(data, cur.take(stored.stored_size, "segment.data"));
        seg.data.emplace(data->begin(), data->end());
        out.end = header_end + stored.stored_size;
    }
    out.next = stored.next;
    if (stored.next != cf::none && stored.next != out.end) {
        return make_error(
            "segment.next", at + cf::seg_next, stored.next,
            "the next segment header must follow this segment directly (at " + hex32(out.end) + ")");
    }
    return out;
}

}  // namespace

const Segment* Image::find(std::string_view name) const {
    for (const auto& s : segments) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

Segment* Image::find(std::string_view name) {
    for (auto& s : segments) {
        if (s.name == name) return &s;
    }
    return nullptr;
}

Result<ReadImage> read_image_prefix(std::span<const std::uint8_t> bytes) {
    ReadCursor cur(bytes);
    ReadImage out;
    ImageHeader& h = out.image.header;

    TOCKLY_TRY(magic, cur.take(2, "header.magic"));
    if ((*magic)[0] != cf::magic[0] || (*magic)[1] != cf::magic[1]) {
        return make_error("header.magic", cf::magic_offset, (*magic)[0] | ((*magic)[1] << 8),
                          "not an application image (the magic must be \"VQ\")");
    }
    TOCKLY_CHECK(read_fields(cur, walk_header, h));

    TOCKLY_TRY(rows, read_library_table(cur));
    out.image.libraries = std::move(*rows);

    const std::uint64_t library_end = cur.offset();
    if (h.first_segment != library_end) {
        return make_error("header.first_segment", cf::first_segment_offset, h.first_segment,
                          "the first segment header must follow the library table directly (at " +
                              hex32(library_end) + ")");
    }

    for (;;) {
        TOCKLY_TRY(seg, read_segment(cur));
        out.image.segments.push_back(std::move(seg->segment));
        if (seg->next == cf::none) {
            out.end = seg->end;
            return out;
        }
    }
}

Result<Image> read_image(std::span<const std::uint8_t> bytes) {
    TOCKLY_TRY(read, read_image_prefix(bytes));
    if (read->end != bytes.size()) {
        return make_error("image.end", read->end, bytes.size() - read->end,
                          "bytes follow the image's last segment");
    }
    return std::move(read->image);
}

Result<ImageLayout> compute_layout(const Image& image) {
    ImageLayout layout;
    if (image.segments.empty()) {
        return make_error("image.segments", 0, "an image holds at least one segment");
    }
    std::uint64_t pos = cf::fixed_header_size;
    for (std::size_t i = 0; i < image.libraries.size(); ++i) {
        const auto& row = image.libraries[i];
        const std::string_view fields[] = {row.file_name, row.identifier, row.major_version,
                                           row.minor_version, row.display_name};
        for (auto f : fields) {
            if (!valid_library_field(f)) {
                return make_error("library.row", i,
                                  "a library field may hold neither a zero byte nor a carriage return");
            }
            pos += f.size();
        }
        pos += cf::library_field_count - 1 + 1;  // separators and the NUL
    }
    pos += 1;  // the empty row
    layout.library_end = pos;

    for (std::size_t i = 0; i < image.segments.size(); ++i) {
        const auto& seg = image.segments[i];
        if (!valid_segment_name(seg.name)) {
            return make_error("segment.name", i, "segment name must be 1 to 23 printable ASCII characters");
        }
        SegmentPlace place;
        place.header_offset = pos;
        place.header_size =
            cf::seg_fixed_size + std::uint64_t{seg.relocations.size()} * cf::relocation_entry_size;
        pos += place.header_size;
        if (seg.data) {
            place.data_offset = pos;
            pos += seg.data->size();
        } else {
            place.data_offset = cf::none;
        }
        place.end = pos;
        if (pos >= cf::none) {
            return make_error("image.size", i, pos, "the image would not fit in 32-bit offsets");
        }
        layout.segments.push_back(place);
    }
    layout.size = pos;
    return layout;
}

ImageHeader header_with_chain_words(const Image& image, const ImageLayout& layout) {
    ImageHeader h = image.header;
    h.first_segment = static_cast<std::uint32_t>(layout.library_end);
    h.library_end = h.first_segment;
    for (std::size_t t = 0; t < cf::segment_table_count; ++t) {
        h.segment_table[t] = cf::none;
        for (std::size_t i = 0; i < image.segments.size(); ++i) {
            if (image.segments[i].name == cf::table_segment_names[t]) {
                h.segment_table[t] = static_cast<std::uint32_t>(layout.segments[i].header_offset);
                break;
            }
        }
    }
    return h;
}

Status finalize_layout(Image& image, std::optional<std::uint32_t> entry_in_code) {
    TOCKLY_TRY(layout, compute_layout(image));
    image.header = header_with_chain_words(image, *layout);
    auto& h = image.header;
    if (entry_in_code) {
        const Segment* code = image.find(cf::code_name);
        if (code == nullptr || !code->data) {
            return make_error("header.entry", cf::entry_offset, *entry_in_code,
                              "the image has no stored code segment");
        }
        if (*entry_in_code >= code->data->size()) {
            return make_error("header.entry", cf::entry_offset, *entry_in_code,
                              "the entry lies past the code's end");
        }
        std::size_t index = static_cast<std::size_t>(code - image.segments.data());
        h.entry = static_cast<std::uint32_t>(layout->segments[index].data_offset + *entry_in_code);
    }
    return Ok{};
}

Result<std::vector<std::uint8_t>> write_image(const Image& image) {
    TOCKLY_TRY(layout, compute_layout(image));
    const auto& h = image.header;
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(layout->size));
    out.push_back(cf::magic[0]);
    out.push_back(cf::magic[1]);
    write_fields(out, walk_header, h);

    for (const auto& row : image.libraries) {
        put_text(out, row.file_name);
        for (const std::string* f :
             {&row.identifier, &row.major_version, &row.minor_version, &row.display_name}) {
            out.push_back(static_cast<std::uint8_t>(cf::library_field_separator));
            put_text(out, *f);
        }
        out.push_back(0);
    }
    out.push_back(0);

    for (std::size_t i = 0; i < image.segments.size(); ++i) {
        const auto& seg = image.segments[i];
        const auto& place = layout->segments[i];
        const bool last = i + 1 == image.segments.size();
        SegmentHeader stored;
        stored.header_size = static_cast<std::uint32_t>(place.header_size);
        stored.next = last ? cf::none : static_cast<std::uint32_t>(place.end);
        stored.flags = seg.flags;
        std::memcpy(stored.name.data(), seg.name.data(), seg.name.size());
        stored.memory_size = seg.memory_size;
        stored.stored_size = static_cast<std::uint32_t>(seg.stored_size());
        stored.data_offset = static_cast<std::uint32_t>(place.data_offset);
        stored.relocation_count = static_cast<std::uint32_t>(seg.relocations.size());
        stored.reserved = seg.reserved;
        write_fields(out, walk_segment_header, stored);
        for (std::uint32_t r : seg.relocations) put_u32(out, r);
        if (seg.data) put_bytes(out, *seg.data);
    }
    return out;
}

}  // namespace tockly::image
