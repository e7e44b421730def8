// Whether a well-formed image is also self-consistent: the header words agree with the chain,
// every value the host patches lies inside the code, the form decodes and binds handlers inside
// the code. The reader already refused anything it cannot walk; this finds what a host would trip
// over later.
#pragma once

#include <string>
#include <vector>

#include "image/container.h"

namespace tockly::image {

// One line per problem, each naming the field; empty when the image is consistent.
std::vector<std::string> verify_image(const Image& image);

}  // namespace tockly::image
