// Form data reader under arbitrary input: never reads out of bounds, and whatever it accepts is
// written back byte for byte, survives JSON unchanged and can be listed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <sstream>

#include "image/form_dump.h"
#include "image/form_reader.h"
#include "image/form_writer.h"
#include "image/json/form_json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tockly::image;
    const std::span<const std::uint8_t> input(data, size);
    auto form = read_form(input, 0x40);
    if (!form) return 0;
    if (!validate_form(*form)) std::abort();
    const auto bytes = write_form(*form);
    if (bytes.size() != size || !std::equal(bytes.begin(), bytes.end(), data)) std::abort();
    auto back = form_from_json(form_to_json(*form));
    if (!back || !(*back == *form)) std::abort();
    std::ostringstream listing;
    dump_form(listing, *form);
    return 0;
}
