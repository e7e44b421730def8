#include "programs/tockly-image/form_listing.h"

#include "image/form_dump.h"
#include "image/form_reader.h"

namespace tockly::tool {

void list_form(std::ostream& os, std::span<const std::uint8_t> data, std::uint64_t base_offset) {
    auto form = image::read_form(data, base_offset);
    if (!form) {
        os << "    form data does not decode: " << form.error().message() << "\n";
        return;
    }
    image::dump_form(os, *form);
}

}  // namespace tockly::tool
