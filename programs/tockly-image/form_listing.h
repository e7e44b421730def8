// The form segment in a listing, through the form's own listing.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>

namespace tockly::tool {

void list_form(std::ostream& os, std::span<const std::uint8_t> data, std::uint64_t base_offset);

}  // namespace tockly::tool
