#include "image/json/form_segment_json.h"

#if __has_include("image/json/form_json.h")
#include "image/form_reader.h"
#include "image/form_writer.h"
#include "image/json/form_json.h"
#define TOCKLY_HAVE_FORM_JSON 1
#endif

namespace tockly::image {

#ifdef TOCKLY_HAVE_FORM_JSON
std::optional<nlohmann::ordered_json> form_data_to_json(std::span<const std::uint8_t> data,
                                                        std::uint64_t base_offset) {
    auto form = read_form(data, base_offset);
    if (!form) return std::nullopt;
    return form_to_json(*form);
}

Result<std::vector<std::uint8_t>> form_data_from_json(const nlohmann::ordered_json& json) {
    auto form = form_from_json(json);
    if (!form) return form.error();
    auto valid = validate_form(*form);
    if (!valid) return valid.error();
    return write_form(*form);
}
#else
std::optional<nlohmann::ordered_json> form_data_to_json(std::span<const std::uint8_t>, std::uint64_t) {
    return std::nullopt;
}

Result<std::vector<std::uint8_t>> form_data_from_json(const nlohmann::ordered_json&) {
    return make_error("form", 0,
                      "decoded form data is not supported in this build; give the form as \"data\"");
}
#endif

}  // namespace tockly::image
