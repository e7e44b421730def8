#include "tests/image/image_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "image/byte_writer.h"
#include "image/json/image_json.h"

namespace tockly::image::test {

std::string fixture_path(const std::string& name) {
    return std::string(TOCKLY_FIXTURES_DIR) + "/" + name;
}

Image load_fixture(const std::string& name) {
    std::ifstream in(fixture_path(name));
    EXPECT_TRUE(in) << name;
    auto json = nlohmann::ordered_json::parse(in, nullptr, false);
    EXPECT_FALSE(json.is_discarded()) << name;
    auto image = image_from_json(json);
    EXPECT_TRUE(image.ok()) << (image.ok() ? "" : image.error().field + ": " + image.error().reason);
    return image.ok() ? std::move(*image) : Image{};
}

Image small_image() {
    return load_fixture("small-image.json");
}

std::vector<std::uint8_t> small_image_bytes() {
    return write_image(small_image()).value();
}

std::uint32_t u32_at(const std::vector<std::uint8_t>& bytes, std::uint64_t at) {
    return get_u32(bytes, at);
}

void put_u32_at(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint32_t value) {
    set_u32(bytes, at, value);
}

std::vector<std::uint64_t> segment_headers(const Image& image) {
    std::vector<std::uint64_t> out;
    auto layout = compute_layout(image).value();
    for (const auto& place : layout.segments) out.push_back(place.header_offset);
    return out;
}

}  // namespace tockly::image::test
