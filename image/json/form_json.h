// Form data as JSON, complete and lossless: form_from_json(form_to_json(f)) == f for every form,
// so reading, converting to JSON, back and writing gives the same bytes. The format is described
// in docs/form-json.md.
#pragma once

#include <nlohmann/json.hpp>

#include "image/form.h"
#include "image/result.h"

namespace tockly::image {

nlohmann::ordered_json form_to_json(const FormData& form);

// Errors name the JSON path of the offending member in `field` (offset 0). The result has passed
// validate_form, so it can be written.
Result<FormData> form_from_json(const nlohmann::ordered_json& json);

}  // namespace tockly::image
