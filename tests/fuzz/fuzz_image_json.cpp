// The image's JSON reader under arbitrary text: refuses with an error, never throws or crashes;
// what it accepts and can write reads back and keeps its bytes through JSON.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/container.h"
#include "image/json/image_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tockly::image;
    auto json = nlohmann::ordered_json::parse(data, data + size, nullptr, false);
    if (json.is_discarded()) return 0;
    auto image = image_from_json(json);
    if (!image) return 0;
    auto bytes = write_image(*image);
    if (!bytes) return 0;
    auto read = read_image(*bytes);
    if (!read) return 0;  // hand-given header words may contradict the chain
    auto back = image_from_json(nlohmann::ordered_json::parse(image_to_json(*read).dump(), nullptr, false));
    if (!back || write_image(*back).value() != *bytes) std::abort();
    return 0;
}
