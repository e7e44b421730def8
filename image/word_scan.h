// Tests on a machine word of text bytes at once, for scans of long texts: the byte functions of
// the runtime library that the Windows build uses are plain byte loops.
#pragma once

#include <cstdint>
#include <cstring>

namespace tockly::image::word_scan {

using Word = std::uintptr_t;
inline constexpr Word kOnes = ~Word{0} / 0xFF;  // 0x0101...
inline constexpr Word kHighs = kOnes * 0x80;    // 0x8080...

inline Word load(const char* p) {
    Word w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// Whether any byte of `w` is below `n` (n at most 0x80).
inline bool has_byte_below(Word w, unsigned n) {
    return ((w - kOnes * n) & ~w & kHighs) != 0;
}

inline bool has_zero_byte(Word w) {
    return has_byte_below(w, 1);
}

}  // namespace tockly::image::word_scan
