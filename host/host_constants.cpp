#include "host/host_constants.h"

#include <array>
#include <string>

#include "image/unit_type.h"

namespace tockly::host {

const char* command_name(std::uint32_t number) {
    switch (number) {
#define TOCKLY_COMMAND_NAME(name, number, family) \
    case number:                                  \
        return #name;
        TOCKLY_HOST_COMMANDS(TOCKLY_COMMAND_NAME)
#undef TOCKLY_COMMAND_NAME
        default:
            return nullptr;
    }
}

namespace {

// A unit reference's word is named after its unit type ("list_box_unit"); a type number that no
// form has is just a "unit".
const char* unit_word_name(std::uint16_t type_number) {
    static const auto names = [] {
        std::array<std::string, image::unit_type_count> out;
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = std::string(image::unit_types[i].name) + "_unit";
        return out;
    }();
    const image::UnitTypeInfo* info = image::unit_type_info(type_number);
    return info != nullptr ? names[static_cast<std::size_t>(info - image::unit_types)].c_str() : "unit";
}

}  // namespace

const char* type_word_name(std::uint32_t word) {
    switch (word) {
        case type_word::omitted:
            return "omitted";
        case type_word::logical:
            return "logical";
        case type_word::date_time:
            return "date_time";
        case type_word::text:
            return "text";
        case type_word::byte_set:
            return "byte_set";
        case type_word::integer:
            return "integer";
        default:
            return type_word::is_unit(word) ? unit_word_name(static_cast<std::uint16_t>(word & 0xFFFFu))
                                            : nullptr;
    }
}

}  // namespace tockly::host
