// Writing form data, and the rules a FormData must meet to be written.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "image/form.h"
#include "image/result.h"

namespace tockly::image {

// Checks what the format cannot express or the reader refuses: texts written with a terminating
// zero that hold a zero byte, more than 65535 combo items, a blob that does not fit its unit's
// type, flags outside the known bits, menu levels, a window without its self-unit first,
// duplicate identifiers. Errors name the field by its path (offset 0: a model has no offsets).
Status validate_form(const FormData& form);

// Where each field of written form data begins, keyed by the path read_form names it by in errors
// ("windows[0].units[3].blob.caption"). A field written several times (a list, an array) is
// noted where it first begins.
using FieldOffsets = std::map<std::string, std::uint64_t>;

// Writes form data; counts, lengths and record offsets are computed. For a form that passes
// validate_form, read_form gives back the same form. Where `offsets` is given, fills it in.
std::vector<std::uint8_t> write_form(const FormData& form, FieldOffsets* offsets = nullptr);

// The bytes of one property blob as they stand at the end of a unit record (empty for EmptyBlob).
std::vector<std::uint8_t> write_property_blob(const PropertyBlob& blob);

}  // namespace tockly::image
