#include "programs/tockly-image/form_listing.h"

#include "image/form_reader.h"

#if __has_include("image/form_dump.h")
#include "image/form_dump.h"
#define TOCKLY_HAVE_FORM_DUMP 1
#endif

namespace tockly::tool {

void list_form(std::ostream& os, std::span<const std::uint8_t> data, std::uint64_t base_offset) {
    auto form = image::read_form(data, base_offset);
    if (!form) {
        os << "    form data does not decode: " << form.error().message() << "\n";
        return;
    }
#ifdef TOCKLY_HAVE_FORM_DUMP
    image::dump_form(os, *form);
#else
    os << "    " << form->windows.size() << " windows\n";
    for (const auto& w : form->windows)
        os << "      window " << std::hex << w.id << std::dec << ": " << w.units.size() << " units\n";
#endif
}

}  // namespace tockly::tool
