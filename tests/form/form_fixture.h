// A small form built in code: two windows, every blob layout once, a font with left-over face
// bytes, an empty blob, a menu with a top-level item without handler, a caption of length 0.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "image/form.h"

namespace tockly::image::form_test {

inline constexpr std::uint32_t kMainId = 0x52010001;
inline constexpr std::uint32_t kPopupId = 0x5201007B;
inline constexpr std::uint32_t kGroupId = 0x16010049;
inline constexpr std::uint32_t kButtonId = 0x1601004B;
inline constexpr std::uint32_t kEditAId = 0x16010066;
inline constexpr std::uint32_t kEmptyEditId = 0x16010047;
inline constexpr std::uint32_t kComboId = 0x16010128;
inline constexpr std::uint32_t kListId = 0x16010024;
inline constexpr std::uint32_t kMenuTopId = 0x260100EF;
inline constexpr std::uint32_t kMenuAboutId = 0x260100F0;

FormData small_form();
// The same, with odd values in reserved and zero fields, left-over list bytes and texts that
// GBK does not decode.
FormData form_with_odd_values();

// Where the records of a written form lie, found by walking it by S (trusting the bytes).
struct Layout {
    struct Window {
        std::uint64_t record = 0;  // first byte of the window record
        std::uint64_t unit_count = 0;
        std::uint64_t record_size = 0;  // the field S
        std::uint64_t ids = 0;
        std::uint64_t offsets = 0;
        std::vector<std::uint64_t> units;  // each unit record's field R
        std::uint64_t end = 0;
    };
    std::vector<Window> windows;
};
Layout locate(std::span<const std::uint8_t> form);

std::uint32_t get32(std::span<const std::uint8_t> bytes, std::uint64_t at);
void set32(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint32_t v);

}  // namespace tockly::image::form_test
