#include "image/result.h"

#include <cstdio>

namespace tockly::image {

std::string Error::message() const {
    char where[64];
    std::snprintf(where, sizeof where, " at offset 0x%llx", static_cast<unsigned long long>(offset));
    std::string text = "field '" + field + "'" + where;
    if (has_value) {
        char val[48];
        std::snprintf(val, sizeof val, ": value 0x%llx (%llu)", static_cast<unsigned long long>(value),
                      static_cast<unsigned long long>(value));
        text += val;
    }
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
