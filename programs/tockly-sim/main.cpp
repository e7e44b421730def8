// tockly-sim: runs Tockly on the headless host from a script.
//
//   tockly-sim [--dir DIR] [--image FILE] [SCRIPT]
//
// The script comes from SCRIPT or standard input. Output: one JSON line per recorded effect and
// per `show`, then a summary line with the balance of text memory. Exit status: 0 the run ended
// normally, 1 the image was refused, 2 a script line was not understood, 3 text memory out of
// balance, 4 the program ended with a fatal run-time error.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/constants.h"
#include "app/handler_table.h"
#include "host/headless/headless_program.h"
#include "programs/tockly-sim/script.h"
#include "programs/tockly-sim/sim_driver.h"

namespace {

using namespace tockly;

// The clock before the script sets it.
constexpr std::int64_t kDefaultStart = 1767225600000;  // 2026-01-01 00:00:00

int usage() {
    std::cerr << "usage: tockly-sim [--dir DIR] [--image FILE] [SCRIPT]\n";
    return 2;
}

bool read_all(std::istream& in, std::string& out) {
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir = ".";
    std::string image_path = (std::filesystem::path(argv[0]).parent_path() / "tockly.image").string();
    std::string script_path;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--dir" || a == "--image") && i + 1 < argc) {
            (a == "--dir" ? dir : image_path) = argv[++i];
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return usage();
        } else if (script_path.empty()) {
            script_path = a;
        } else {
            return usage();
        }
    }

    std::string script;
    if (script_path.empty() || script_path == "-") {
        read_all(std::cin, script);
    } else {
        std::ifstream in(script_path, std::ios::binary);
        if (!in || !read_all(in, script)) {
            std::cerr << "tockly-sim: cannot read the script " << script_path << "\n";
            return 2;
        }
    }
    auto parsed = sim::parse_script(script);
    if (auto* e = std::get_if<sim::ScriptError>(&parsed)) {
        std::cerr << "tockly-sim: " << e->message() << "\n";
        return 2;
    }

    std::string image_bytes;
    {
        std::ifstream in(image_path, std::ios::binary);
        if (!in || !read_all(in, image_bytes)) {
            std::cerr << "tockly-sim: cannot read the image " << image_path << "\n";
            return 1;
        }
    }
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(image_bytes.data()),
                                              image_bytes.size());
    auto loaded = host::headless::HeadlessProgram::load(bytes, app::handler_table(), kDefaultStart, dir);
    if (!loaded) {
        std::cerr << "tockly-sim: the image is refused: " << loaded.error().message() << "\n";
        return 1;
    }
    host::headless::HeadlessProgram& program = **loaded;
    if (auto bound = app::bind_constants(program.image().const_pool()); !bound) {
        std::cerr << "tockly-sim: the image is refused: " << bound.error().message() << "\n";
        return 1;
    }
    host::Runtime& runtime = program.runtime();
    host::headless::HeadlessWindowSystem& windows = program.windows();
    host::headless::VirtualClock& clock = program.clock();
    host::CountingAllocator& memory = program.memory();

    sim::Driver driver(std::move(std::get<std::vector<sim::Command>>(parsed)), runtime, windows, clock,
                       program.files(), std::cout);
    windows.set_event_source(&driver);
    windows.on_effect([&](const host::headless::Effect& e) { driver.emit(e.at, e.fields); });

    int status = 0;
    try {
        driver.run();
    } catch (const sim::ScriptFailure& f) {
        std::cerr << "tockly-sim: " << f.what() << "\n";
        return 2;
    } catch (const host::headless::ProgramAborted&) {
        status = 4;
    }
    // A program still running at the end of the script gives back its global texts as its
    // clean-up routine would, so that the balance counts only what handlers kept.
    if (!runtime.finished()) runtime.release_globals();

    host::headless::Json summary{{"summary", runtime.finished() ? "ended" : "running"},
                                 {"live_blocks", memory.live_blocks()},
                                 {"bad_releases", memory.problems().size()}};
    driver.emit(clock.now(), summary);
    for (const auto& p : memory.problems()) std::cerr << "tockly-sim: " << p << "\n";
    if (!memory.balanced()) {
        std::cerr << "tockly-sim: text memory out of balance: " << memory.live_blocks() << " block(s) live, "
                  << memory.problems().size() << " bad release(s)\n";
        return status != 0 ? status : 3;
    }
    return status;
}
