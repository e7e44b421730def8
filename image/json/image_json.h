// The application image as JSON, complete and lossless: image_from_json(image_to_json(x)) writes
// the same bytes as x for every image the reader accepts. The format is described in
// docs/image-json.md.
#pragma once

#include <nlohmann/json.hpp>

#include "image/container.h"
#include "image/result.h"

namespace tockly::image {

nlohmann::ordered_json image_to_json(const Image& image);

// Errors name the JSON path of the offending member in `field`. Header words given as "auto" and
// an entry given as {"in_code": n} are filled from the chain (finalize_layout).
Result<Image> image_from_json(const nlohmann::ordered_json& json);

}  // namespace tockly::image
