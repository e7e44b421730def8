// Reading the image a command is given: a whole file that must hold exactly one image.
#pragma once

#include <optional>
#include <string>

#include "image/container.h"
#include "programs/tockly-image/commands.h"

namespace tockly::tool {

// The image, or nothing after printing the one-line error (exit_bad_input follows).
std::optional<image::Image> load_image(const std::string& path);

// Expects exactly one argument, the input file; prints usage otherwise.
std::optional<std::string> single_file_argument(const Args& args, const char* command);

}  // namespace tockly::tool
