// The images of an ICO file (the tray icon arrives as the bytes of one): its directory read with
// every entry checked against the file, and the image that suits a wanted size picked.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "image/result.h"

namespace tockly::host::win32 {

struct IconImage {
    std::uint32_t width = 0;  // pixels; an entry's 0 means 256
    std::uint32_t height = 0;
    std::uint32_t bit_count = 0;
    std::span<const std::uint8_t> bytes;  // the image data (BMP without file header, or PNG)
};

// The images of an ICO file, in directory order. Refuses a file that is not an icon, or an
// entry whose data does not lie within the file.
image::Result<std::vector<IconImage>> read_icon_file(std::span<const std::uint8_t> file);

// The smallest image at least `size` pixels wide, else the largest one; the deepest colour among
// equals. `images` must not be empty.
const IconImage& pick_icon_image(const std::vector<IconImage>& images, std::uint32_t size);

}  // namespace tockly::host::win32
