// Numbers as hexadecimal text for listings, trace lines and error messages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

namespace tockly::image {

enum class HexLetters : std::uint8_t { upper, lower };

// "0x" then `value` in hexadecimal, padded with zeros to at least `min_digits` digits.
inline std::string hex(std::uint64_t value, int min_digits = 1, HexLetters letters = HexLetters::upper) {
    char buf[32];
    std::snprintf(buf, sizeof buf, letters == HexLetters::upper ? "0x%0*llX" : "0x%0*llx", min_digits,
                  static_cast<unsigned long long>(value));
    return buf;
}

// The low `digits` hexadecimal digits of `value` (at most 16), without a prefix.
inline std::string hex_digits(std::uint64_t value, int digits, HexLetters letters = HexLetters::lower) {
    const char* const alphabet = letters == HexLetters::upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string out(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        out[static_cast<std::size_t>(i)] = alphabet[value & 0xF];
    return out;
}

// Every byte as two lower-case digits, `separator` between two bytes.
inline std::string hex_bytes(std::span<const std::uint8_t> bytes, std::string_view separator = {}) {
    std::string out;
    out.reserve(bytes.size() * (2 + separator.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i != 0) out += separator;
        out += hex_digits(bytes[i], 2);
    }
    return out;
}

}  // namespace tockly::image
