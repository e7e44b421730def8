// The small image fixture and helpers to break one field of its bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/container.h"

namespace tockly::image::test {

std::string fixture_path(const std::string& name);
// The image of a JSON fixture (tests/fixtures/NAME).
Image load_fixture(const std::string& name);
Image small_image();
std::vector<std::uint8_t> small_image_bytes();

std::uint32_t u32_at(const std::vector<std::uint8_t>& bytes, std::uint64_t at);
void put_u32_at(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint32_t value);

// Where the segment headers of written bytes lie, in chain order.
std::vector<std::uint64_t> segment_headers(const Image& image);

}  // namespace tockly::image::test
