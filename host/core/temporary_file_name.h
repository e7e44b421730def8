// The names of the temporary files an atomic replace writes beside the file it replaces:
// "<file name>.tmp-<process id>-<serial>". One place for the pattern, so that the writer and the
// clean-up of files left by a killed writer always agree, and nothing else is ever taken for ours.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tockly::host {

template <typename Char>
std::basic_string<Char> temporary_file_name(std::basic_string_view<Char> file, std::uint32_t process_id,
                                            std::uint32_t serial) {
    std::basic_string<Char> out(file);
    for (char c : std::string_view(".tmp-")) out += static_cast<Char>(c);
    for (char c : std::to_string(process_id)) out += static_cast<Char>(c);
    out += static_cast<Char>('-');
    for (char c : std::to_string(serial)) out += static_cast<Char>(c);
    return out;
}

// The process id in `candidate` when it is a temporary file name of `file` (decimal numbers
// without leading zeros, nothing after them); nothing otherwise. Letters compare exactly.
template <typename Char>
std::optional<std::uint32_t> temporary_file_owner(std::basic_string_view<Char> candidate,
                                                  std::basic_string_view<Char> file) {
    auto take_number = [&](std::uint64_t& value) {
        std::size_t digits = 0;
        value = 0;
        while (digits < candidate.size() && candidate[digits] >= '0' && candidate[digits] <= '9') {
            value = value * 10 + static_cast<std::uint64_t>(candidate[digits] - '0');
            if (value > 0xFFFFFFFFu) return false;
            ++digits;
        }
        if (digits == 0 || (digits > 1 && candidate[0] == '0')) return false;
        candidate.remove_prefix(digits);
        return true;
    };
    auto take = [&](std::string_view text) {
        if (candidate.size() < text.size()) return false;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (candidate[i] != static_cast<Char>(text[i])) return false;
        candidate.remove_prefix(text.size());
        return true;
    };
    if (candidate.size() <= file.size() || candidate.substr(0, file.size()) != file) return std::nullopt;
    candidate.remove_prefix(file.size());
    std::uint64_t pid = 0, serial = 0;
    if (!take(".tmp-") || !take_number(pid) || !take("-") || !take_number(serial) || !candidate.empty())
        return std::nullopt;
    return static_cast<std::uint32_t>(pid);
}

}  // namespace tockly::host
