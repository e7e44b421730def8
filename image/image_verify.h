// Whether a well-formed image is also self-consistent: the header words agree with the chain,
// every value the host patches lies inside the code, the form decodes and binds handlers inside
// the code. The reader already refused anything it cannot walk; this finds what a host would trip
// over later.
#pragma once

#include <string>
#include <vector>

#include "image/container.h"
#include "image/result.h"

namespace tockly::image {

// Every problem found, empty when the image is consistent. Each names the field, its offset in the
// image's bytes (for a problem inside the form data, where that data starts: records keep no
// offsets once read), the value found there when there is one, and the reason in words. A
// reader's error inside a part keeps its own offset and value, under the part's name.
std::vector<Error> verify_image(const Image& image);

// A problem as one line of the tool's output: "header.entry: 0x10 lies outside ...".
std::string verify_line(const Error& problem);

}  // namespace tockly::image
