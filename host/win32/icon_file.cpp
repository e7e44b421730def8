#include "host/win32/icon_file.h"

#include <string>

#include "image/cursor.h"

namespace tockly::host::win32 {

namespace {
constexpr std::uint16_t kIconType = 1;
constexpr std::uint64_t kHeaderSize = 6;
constexpr std::uint64_t kEntrySize = 16;
}  // namespace

image::Result<std::vector<IconImage>> read_icon_file(std::span<const std::uint8_t> file) {
    image::ReadCursor in(file);
    TOCKLY_TRY(reserved, in.u16("icon.reserved"));
    TOCKLY_TRY(type, in.u16("icon.type"));
    if (reserved.value() != 0 || type.value() != kIconType)
        return image::make_error("icon.type", 2, type.value(), "not an icon file");
    TOCKLY_TRY(count, in.u16("icon.count"));
    if (count.value() == 0) return image::make_error("icon.count", 4, 0, "the icon file holds no image");
    if (kHeaderSize + count.value() * kEntrySize > file.size())
        return image::make_error("icon.count", 4, count.value(),
                                 "the directory runs past the end of the file");

    std::vector<IconImage> out;
    for (std::uint32_t i = 0; i < count.value(); ++i) {
        const std::string where = "icon.entry[" + std::to_string(i) + "]";
        const std::uint64_t at = in.offset();
        auto width = in.u8(where + ".width");
        auto height = in.u8(where + ".height");
        auto colours = in.u8(where + ".colours");
        auto reserved_byte = in.u8(where + ".reserved");
        auto planes = in.u16(where + ".planes");
        auto bits = in.u16(where + ".bit_count");
        auto size = in.u32(where + ".size");
        auto offset = in.u32(where + ".offset");
        if (!offset) return offset.error();  // the directory was checked to fit: all or none fail
        (void)colours;
        (void)reserved_byte;
        (void)planes;
        const std::uint64_t begin = offset.value();
        const std::uint64_t length = size.value();
        if (length == 0 || begin > file.size() || file.size() - begin < length)
            return image::make_error(where + ".size", at + 8, length,
                                     "the image data does not lie within the file");
        IconImage image;
        image.width = width.value() == 0 ? 256 : width.value();
        image.height = height.value() == 0 ? 256 : height.value();
        image.bit_count = bits.value();
        image.bytes = file.subspan(static_cast<std::size_t>(begin), static_cast<std::size_t>(length));
        out.push_back(image);
    }
    return out;
}

const IconImage& pick_icon_image(const std::vector<IconImage>& images, std::uint32_t size) {
    const IconImage* best = &images.front();
    auto better = [size](const IconImage& a, const IconImage& b) {
        const bool a_fits = a.width >= size, b_fits = b.width >= size;
        if (a_fits != b_fits) return a_fits;
        if (a.width != b.width) return a_fits ? a.width < b.width : a.width > b.width;
        return a.bit_count > b.bit_count;
    };
    for (const IconImage& image : images) {
        if (better(image, *best)) best = &image;
    }
    return *best;
}

}  // namespace tockly::host::win32
