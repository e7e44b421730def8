#include "programs/tockly-image/image_input.h"

#include <iostream>

namespace tockly::tool {

std::optional<image::Image> load_image(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!read_file(path, bytes)) {
        fail("cannot read " + path);
        return std::nullopt;
    }
    auto read = image::read_image(bytes);
    if (!read) {
        fail(path + ": " + read.error().message());
        return std::nullopt;
    }
    return std::move(*read);
}

std::optional<std::string> single_file_argument(const Args& args, const char* command) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        fail(std::string("usage: tockly-image ") + command + " FILE");
        return std::nullopt;
    }
    return args[0];
}

}  // namespace tockly::tool
