#include "image/json/form_segment_json.h"

#include "image/form_reader.h"
#include "image/form_writer.h"
#include "image/json/form_json.h"

namespace tockly::image {

std::optional<nlohmann::ordered_json> form_data_to_json(std::span<const std::uint8_t> data,
                                                        std::uint64_t base_offset) {
    auto form = read_form(data, base_offset);
    if (!form) return std::nullopt;
    return form_to_json(*form);
}

Result<std::vector<std::uint8_t>> form_data_from_json(const nlohmann::ordered_json& json) {
    TOCKLY_TRY(form, form_from_json(json));
    TOCKLY_TRY(valid, validate_form(*form));
    return write_form(*form);
}

}  // namespace tockly::image
