// The image reader under arbitrary input: never reads out of bounds, and whatever it accepts is
// written back byte for byte, verifies without crashing and survives JSON unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "image/container.h"
#include "image/image_verify.h"
#include "image/json/image_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tockly::image;
    const std::span<const std::uint8_t> input(data, size);
    auto read = read_image_prefix(input);
    if (!read) return 0;
    if (read->end > size) std::abort();
    auto bytes = write_image(read->image);
    if (!bytes || bytes->size() != read->end || !std::equal(bytes->begin(), bytes->end(), data)) std::abort();
    (void)verify_image(read->image);
    const std::string text = image_to_json(read->image).dump();
    auto back = image_from_json(nlohmann::ordered_json::parse(text, nullptr, false));
    if (!back) std::abort();
    auto again = write_image(*back);
    if (!again || *again != *bytes) std::abort();
    return 0;
}
