#include "image/result.h"

#include "image/hex_text.h"

namespace tockly::image {

std::string Error::message() const {
    std::string text = "field '" + field + "' at offset " + hex(offset, 1, HexLetters::lower);
    if (has_value) text += ": value " + hex(value, 1, HexLetters::lower) + " (" + std::to_string(value) + ")";
    text += ": " + reason;
    return text;
}

Error make_error(std::string field, std::uint64_t offset, std::string reason) {
    return Error{std::move(field), offset, 0, false, std::move(reason)};
}

Error make_error(std::string field, std::uint64_t offset, std::uint64_t value, std::string reason) {
    return Error{std::move(field), offset, value, true, std::move(reason)};
}

}  // namespace tockly::image
