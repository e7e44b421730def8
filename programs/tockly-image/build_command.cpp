// tockly-image build -o FILE [--icon ICO]: writes Tockly's own image.
#include <iostream>
#include <vector>

#include "app/tockly_image.h"
#include "image/container.h"
#include "programs/tockly-image/commands.h"

#ifndef TOCKLY_DEFAULT_ICON
#define TOCKLY_DEFAULT_ICON "app/assets/tockly.ico"
#endif

namespace tockly::tool {

int run_build(const Args& args) {
    std::string out_path;
    std::string icon_path = TOCKLY_DEFAULT_ICON;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size()) {
            out_path = args[++i];
        } else if (args[i] == "--icon" && i + 1 < args.size()) {
            icon_path = args[++i];
        } else {
            return fail("build: unexpected argument '" + args[i] + "' (usage: build -o FILE [--icon ICO])");
        }
    }
    if (out_path.empty()) return fail("build: missing -o FILE");

    std::vector<std::uint8_t> icon;
    if (!read_file(icon_path, icon)) return fail("build: cannot read the icon '" + icon_path + "'");

    auto image = app::build_tockly_image(icon);
    if (!image) return fail("build: " + image.error().message());
    auto bytes = image::write_image(*image);
    if (!bytes) return fail("build: " + bytes.error().message());
    if (!write_file(out_path, *bytes)) return fail("build: cannot write '" + out_path + "'");
    return exit_ok;
}

}  // namespace tockly::tool
