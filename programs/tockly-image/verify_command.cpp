#include <iostream>

#include "image/image_verify.h"
#include "programs/tockly-image/image_input.h"

namespace tockly::tool {

int run_verify(const Args& args) {
    auto path = single_file_argument(args, "verify");
    if (!path) return exit_bad_input;
    auto image = load_image(*path);
    if (!image) return exit_bad_input;
    auto problems = image::verify_image(*image);
    for (const auto& p : problems) std::cout << *path << ": " << image::verify_line(p) << "\n";
    if (!problems.empty()) return exit_problems;
    std::cout << *path << ": ok\n";
    return exit_ok;
}

}  // namespace tockly::tool
