// The form segment's data in JSON, through the form's own JSON functions.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <vector>

#include "image/result.h"

namespace tockly::image {

// The decoded form, or nothing when the data is not form data the form reader accepts (the
// caller then keeps the data as raw bytes).
std::optional<nlohmann::ordered_json> form_data_to_json(std::span<const std::uint8_t> data,
                                                        std::uint64_t base_offset);

Result<std::vector<std::uint8_t>> form_data_from_json(const nlohmann::ordered_json& json);

}  // namespace tockly::image
