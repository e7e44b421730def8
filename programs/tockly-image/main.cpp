// tockly-image COMMAND ...: inspect, convert and check application images.
#include <iostream>
#include <string>

#include "programs/tockly-image/commands.h"

namespace {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const tockly::tool::Args&);
};

const Command commands[] = {
    {"build", "build -o FILE [--icon ICO]  Tockly's own image", tockly::tool::run_build},
    {"dump", "dump FILE                  readable listing of everything in the image",
     tockly::tool::run_dump},
    {"to-json", "to-json FILE [-o OUT]      the image as JSON (stdout unless -o)", tockly::tool::run_to_json},
    {"from-json", "from-json FILE.json -o OUT an image from its JSON", tockly::tool::run_from_json},
    {"verify", "verify FILE                exit 0 when consistent, 1 listing each problem",
     tockly::tool::run_verify},
};

int usage() {
    std::cerr << "usage: tockly-image COMMAND ...\n";
    for (const auto& c : commands) std::cerr << "  tockly-image " << c.usage << "\n";
    return tockly::tool::exit_bad_input;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    std::string name = argv[1];
    tockly::tool::Args args(argv + 2, argv + argc);
    for (const auto& c : commands) {
        if (name == c.name) return c.run(args);
    }
    std::cerr << "tockly-image: unknown command '" << name << "'\n";
    return usage();
}
