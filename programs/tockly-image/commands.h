// The tool's commands. Each takes the arguments after its name and answers the exit status:
// 0 done, 1 the image has problems (verify), 2 unreadable or malformed input, or bad usage.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tockly::tool {

inline constexpr int exit_ok = 0;
inline constexpr int exit_problems = 1;
inline constexpr int exit_bad_input = 2;

using Args = std::vector<std::string>;

int run_dump(const Args& args);
int run_to_json(const Args& args);
int run_from_json(const Args& args);
int run_verify(const Args& args);
int run_build(const Args& args);

// Shared by the commands: whole-file input and output, and the one-line error on stderr.
bool read_file(const std::string& path, std::vector<std::uint8_t>& out);
bool write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);
int fail(const std::string& message);  // prints "tockly-image: message", answers exit_bad_input

}  // namespace tockly::tool
