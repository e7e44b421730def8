#include "image/container.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/image/image_fixture.h"

namespace tockly::image {
namespace {

namespace cf = container_format;
using test::put_u32_at;
using test::small_image;
using test::small_image_bytes;
using test::u32_at;

TEST(Container, SmallImageRoundTripsAsStructureAndBytes) {
    Image image = small_image();
    ASSERT_EQ(image.segments.size(), 6u);
    auto bytes = write_image(image).value();
    auto read = read_image(bytes);
    ASSERT_TRUE(read.ok()) << read.error().message();
    EXPECT_EQ(*read, image);
    EXPECT_EQ(write_image(*read).value(), bytes);

    // The layout the writer produces: the chain starts right after the library table's empty
    // row and each header follows the previous segment's data.
    EXPECT_EQ(bytes[image.header.first_segment - 1], 0);
    EXPECT_EQ(bytes[image.header.first_segment - 2], 0);
    const Segment* var = read->find("var");
    ASSERT_NE(var, nullptr);
    EXPECT_FALSE(var->data.has_value());
    EXPECT_EQ(var->memory_size, 4u);
}

TEST(Container, VarStoresNothingAndTheNextHeaderFollowsItsHeader) {
    Image image = small_image();
    auto bytes = write_image(image).value();
    auto headers = test::segment_headers(image);
    std::size_t var = 4, reloc = 5;
    ASSERT_EQ(image.segments[var].name, "var");
    std::uint64_t at = headers[var];
    EXPECT_EQ(u32_at(bytes, at + cf::seg_stored_size), 0u);
    EXPECT_EQ(u32_at(bytes, at + cf::seg_data_offset), cf::none);
    EXPECT_EQ(u32_at(bytes, at + cf::seg_next), headers[reloc]);
    EXPECT_EQ(headers[reloc], at + cf::seg_fixed_size);
    // @reloc1 has no slot in the header table: it is reached through the chain only.
    for (std::uint32_t slot : image.header.segment_table) EXPECT_NE(slot, headers[reloc]);
}

// Images the reader must accept and give back byte for byte.
TEST(Container, UnusualImagesRoundTrip) {
    struct Case {
        const char* name;
        std::function<void(Image&)> change;
    };
    const Case cases[] = {
        {"segments reordered", [](Image& i) { std::swap(i.segments[0], i.segments[4]); }},
        {"extra segment",
         [](Image& i) {
             Segment s;
             s.name = "notes";
             s.flags = 0x21;
             s.memory_size = 100;
             s.reserved = 0xDEADBEEF;
             s.data = std::vector<std::uint8_t>{1, 2, 3};
             i.segments.insert(i.segments.begin() + 2, s);
         }},
        {"one library row", [](Image& i) { i.libraries.resize(1); }},
        {"no library rows", [](Image& i) { i.libraries.clear(); }},
        {"odd reserved values",
         [](Image& i) {
             i.header.reserved[0] = 0x7F;
             i.header.reserved[33] = 0xFF;
             i.header.reserved_30 = 5;
             i.header.reserved_38 = 0xFFFFFFFF;
             i.header.word_28 = 9;
         }},
        {"header words that disagree with the chain",
         [](Image& i) {
             i.header.segment_table = {1, 2, 3, 4, 5};
             i.header.library_end = 0;
             i.header.entry = 0xFFFFFFFF;
         }},
        {"stored data of length 0", [](Image& i) { i.segments[2].data = std::vector<std::uint8_t>{}; }},
        {"a single segment", [](Image& i) { i.segments.resize(1); }},
        {"23-character name", [](Image& i) { i.segments[2].name = std::string(23, 'n'); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image image = small_image();
        c.change(image);
        auto before = image.header.first_segment;
        if (std::string(c.name) != "header words that disagree with the chain") {
            ASSERT_TRUE(finalize_layout(image).ok());
        } else {
            image.header.first_segment = before;
        }
        auto bytes = write_image(image);
        ASSERT_TRUE(bytes.ok());
        auto read = read_image(*bytes);
        ASSERT_TRUE(read.ok()) << read.error().message();
        EXPECT_EQ(*read, image);
        EXPECT_EQ(write_image(*read).value(), *bytes);
    }
}

TEST(Container, PrefixReadReportsTheEndAndFileReadRefusesTrailingBytes) {
    auto bytes = small_image_bytes();
    const auto size = bytes.size();
    bytes.push_back(0xAA);
    bytes.push_back(0xBB);
    auto prefix = read_image_prefix(bytes);
    ASSERT_TRUE(prefix.ok());
    EXPECT_EQ(prefix->end, size);
    auto whole = read_image(bytes);
    ASSERT_FALSE(whole.ok());
    EXPECT_EQ(whole.error().field, "image.end");
    EXPECT_EQ(whole.error().offset, size);
}

struct Broken {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&, const std::vector<std::uint64_t>& headers)> damage;
    const char* field;
    std::function<std::uint64_t(const std::vector<std::uint64_t>& headers, std::uint64_t size)> offset;
};

// One broken field per case; each names the field and where it stands.
TEST(Container, MalformedImagesNameFieldAndOffset) {
    const Image image = small_image();
    const auto good = write_image(image).value();
    const auto first = image.header.first_segment;
    auto at = [](std::size_t seg, std::uint64_t field) {
        return [seg, field](const std::vector<std::uint64_t>& h, std::uint64_t) { return h[seg] + field; };
    };
    auto fixed = [](std::uint64_t offset) {
        return [offset](const std::vector<std::uint64_t>&, std::uint64_t) { return offset; };
    };
    const std::size_t code = 3, var = 4, last = 5;
    const Broken cases[] = {
        {"empty input", [](auto& b, auto&) { b.clear(); }, "header.magic", fixed(0)},
        {"truncated header", [](auto& b, auto&) { b.resize(0x30); }, "header.reserved_30", fixed(0x30)},
        {"bad magic", [](auto& b, auto&) { b[1] = 'X'; }, "header.magic", fixed(0)},
        {"library table without its empty row", [](auto& b, auto&) { b.resize(0x5A); }, "library.row",
         fixed(0x58)},
        {"library row with four fields",
         [](auto& b, auto&) {
             for (std::size_t i = 0x58;; ++i) {
                 if (b[i] == '\r') {
                     b[i] = '_';
                     break;
                 }
             }
         },
         "library.row", fixed(0x58)},
        {"first segment elsewhere", [first](auto& b, auto&) { put_u32_at(b, 0x24, first + 4); },
         "header.first_segment", fixed(0x24)},
        {"header size not 0x38 + 4n", [](auto& b, auto& h) { put_u32_at(b, h[code], 0x38); },
         "segment.header_size", at(code, cf::seg_header_size)},
        {"relocation count that cannot fit",
         [](auto& b, auto& h) { put_u32_at(b, h[code] + cf::seg_relocation_count, 0x40000010); },
         "segment.relocation_count", at(code, cf::seg_relocation_count)},
        {"data not right after its header",
         [](auto& b, auto& h) {
             put_u32_at(b, h[0] + cf::seg_data_offset, u32_at(b, h[0] + cf::seg_data_offset) + 1);
         },
         "segment.data_offset", at(0, cf::seg_data_offset)},
        {"stored size past the end",
         [](auto& b, auto& h) { put_u32_at(b, h[last] + cf::seg_stored_size, 21); }, "segment.stored_size",
         at(last, cf::seg_stored_size)},
        {"stored size that overflows",
         [](auto& b, auto& h) { put_u32_at(b, h[last] + cf::seg_stored_size, 0xFFFFFFFF); },
         "segment.stored_size", at(last, cf::seg_stored_size)},
        {"nothing stored with a stored size",
         [](auto& b, auto& h) { put_u32_at(b, h[var] + cf::seg_stored_size, 4); }, "segment.stored_size",
         at(var, cf::seg_stored_size)},
        {"zero-filled segment with a data offset",
         [](auto& b, auto& h) { put_u32_at(b, h[var] + cf::seg_data_offset, h[var] + 0x38); },
         "segment.data_offset", at(var, cf::seg_data_offset)},
        {"chain that loops back", [](auto& b, auto& h) { put_u32_at(b, h[2] + cf::seg_next, h[0]); },
         "segment.next", at(2, cf::seg_next)},
        {"chain that overlaps itself", [](auto& b, auto& h) { put_u32_at(b, h[1] + cf::seg_next, h[2] - 4); },
         "segment.next", at(1, cf::seg_next)},
        {"next header past the end",
         [](auto& b, auto& h) { put_u32_at(b, h[last] + cf::seg_next, 0x7FFFFFFF); }, "segment.next",
         at(last, cf::seg_next)},
        {"last segment's next points at the end",
         [](auto& b, auto& h) {
             put_u32_at(b, h[last] + cf::seg_next, static_cast<std::uint32_t>(b.size()));
         },
         "segment.header_size", [](auto&, std::uint64_t size) { return size; }},
        {"name not padded with zeros", [](auto& b, auto& h) { b[h[0] + cf::seg_name + 20] = 'x'; },
         "segment.name", at(0, cf::seg_name)},
        {"empty name", [](auto& b, auto& h) { b[h[0] + cf::seg_name] = 0; }, "segment.name",
         at(0, cf::seg_name)},
        {"one byte short", [](auto& b, auto&) { b.pop_back(); }, "segment.stored_size",
         at(last, cf::seg_stored_size)},
    };
    const auto headers = test::segment_headers(image);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = good;
        c.damage(bytes, headers);
        auto read = read_image(bytes);
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.error().field, c.field) << read.error().message();
        EXPECT_EQ(read.error().offset, c.offset(headers, bytes.size())) << read.error().message();
    }
}

TEST(Container, WriterRefusesWhatTheFormatCannotHold) {
    struct Case {
        const char* name;
        std::function<void(Image&)> change;
        const char* field;
    };
    const Case cases[] = {
        {"no segments", [](Image& i) { i.segments.clear(); }, "image.segments"},
        {"carriage return in a library field", [](Image& i) { i.libraries[0].display_name = "a\rb"; },
         "library.row"},
        {"zero byte in a library field", [](Image& i) { i.libraries[1].identifier.push_back('\0'); },
         "library.row"},
        {"24-character name", [](Image& i) { i.segments[0].name = std::string(24, 'n'); }, "segment.name"},
        {"non-ASCII name", [](Image& i) { i.segments[0].name = "c\xb1"; }, "segment.name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Image image = small_image();
        c.change(image);
        auto bytes = write_image(image);
        ASSERT_FALSE(bytes.ok());
        EXPECT_EQ(bytes.error().field, c.field);
    }
}

TEST(Container, FinalizeFillsTheHeaderWordsFromTheChain) {
    Image image = small_image();
    std::swap(image.segments[1], image.segments[3]);   // code before form
    image.segments.erase(image.segments.begin() + 2);  // no help
    ASSERT_TRUE(finalize_layout(image, 5).ok());
    auto layout = compute_layout(image).value();
    const auto& h = image.header;
    EXPECT_EQ(h.first_segment, layout.library_end);
    EXPECT_EQ(h.library_end, layout.library_end);
    EXPECT_EQ(h.segment_table[3], layout.segments[1].header_offset);  // code
    EXPECT_EQ(h.segment_table[1], layout.segments[2].header_offset);  // form
    EXPECT_EQ(h.segment_table[2], cf::none);                          // help is absent
    EXPECT_EQ(h.entry, layout.segments[1].data_offset + 5);

    auto past = finalize_layout(image, static_cast<std::uint32_t>(image.find("code")->data->size()));
    ASSERT_FALSE(past.ok());
    EXPECT_EQ(past.error().field, "header.entry");
}

}  // namespace
}  // namespace tockly::image
