// The host's loading of an image under arbitrary input, with Tockly's own handler table: the
// container, the code relocations, @reloc1, the form, the binding of handler routines and the
// decoding of the entry and clean-up routines never read out of bounds. Whatever it accepts
// also passes `verify`, and names only handlers the table has.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "app/handler_table.h"
#include "host/core/image_loader.h"
#include "image/image_verify.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tockly;
    const image::RelocationBases bases = image::stand_in_bases;
    const auto handlers = app::handler_table();
    auto loaded = host::load_image(std::span<const std::uint8_t>(data, size), handlers, bases);
    if (!loaded) {
        (void)loaded.error().message();
        return 0;
    }
    if (!image::verify_image(loaded->image).empty()) std::abort();
    if (loaded->design.find(loaded->start.start_window) == nullptr) std::abort();
    if (loaded->cleanup_offset >= loaded->code.size()) std::abort();
    return 0;
}
