#include <fstream>
#include <iostream>
#include <iterator>

#include "programs/tockly-image/commands.h"

namespace tockly::tool {

bool read_file(const std::string& path, std::vector<std::uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

int fail(const std::string& message) {
    std::cerr << "tockly-image: " << message << "\n";
    return exit_bad_input;
}

}  // namespace tockly::tool
