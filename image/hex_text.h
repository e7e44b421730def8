// Numbers as hexadecimal text for listings, trace lines and error messages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tockly::image {

enum class HexLetters : std::uint8_t { upper, lower };

// "0x" then `value` in hexadecimal, padded with zeros to at least `min_digits` digits.
inline std::string hex(std::uint64_t value, int min_digits = 1, HexLetters letters = HexLetters::upper) {
    char buf[32];
    std::snprintf(buf, sizeof buf, letters == HexLetters::upper ? "0x%0*llX" : "0x%0*llx", min_digits,
                  static_cast<unsigned long long>(value));
    return buf;
}

}  // namespace tockly::image
