// Reading form data: strict, every read bounds-checked. Whatever it accepts, write_form gives back
// byte for byte.
#pragma once

#include <cstdint>
#include <span>

#include "image/form.h"
#include "image/result.h"

namespace tockly::image {

// Reads the data of a `form` segment. `base_offset` is the offset of `data[0]` in the whole image,
// so that errors name offsets of the image. Refused: anything that runs past its record, window or
// the data; records not laid out one after another from offset 0; an unknown type; a property
// blob that does not match its type's layout; a form that does not end exactly at the end of the
// data; a window whose first unit is not its self-unit; duplicate identifiers.
Result<FormData> read_form(std::span<const std::uint8_t> data, std::uint64_t base_offset = 0);

}  // namespace tockly::image
