#include "image/text_routines.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "image/word_scan.h"

namespace tockly::image {

int text_compare(const char* a, const char* b) {
    if (a == nullptr) return (b == nullptr || *b == '\0') ? 0 : -1;
    if (b == nullptr) return *a == '\0' ? 0 : 1;
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    while (*x != 0 && *x == *y) {
        ++x;
        ++y;
    }
    if (*x == *y) return 0;
    return *x < *y ? -1 : 1;
}

std::uint32_t text_length(const char* text) {
    if (text == nullptr) return 0;
#ifdef _WIN32
    // The runtime library's strlen on Windows is a byte loop, and every row a tick or a save reads
    // is measured: go a machine word at a time. Aligned words: a word that holds the terminator
    // never reaches into another page.
    using namespace word_scan;
    const char* p = text;
    while (reinterpret_cast<std::uintptr_t>(p) % sizeof(Word) != 0) {
        if (*p == '\0') return static_cast<std::uint32_t>(p - text);
        ++p;
    }
    while (!has_zero_byte(load(p))) p += sizeof(Word);
    while (*p != '\0') ++p;
    return static_cast<std::uint32_t>(p - text);
#else
    return static_cast<std::uint32_t>(std::strlen(text));  // already word-wise, and seen by the sanitizers
#endif
}

char* concatenate(std::span<const char* const> texts, Allocate allocate, void* context) {
    std::uint64_t total = 0;
    for (const char* t : texts) total += text_length(t);
    if (total + 1 > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    auto* out = static_cast<char*>(allocate(context, static_cast<std::uint32_t>(total + 1)));
    if (out == nullptr) return nullptr;
    char* p = out;
    for (const char* t : texts) {
        std::uint32_t n = text_length(t);
        if (n != 0) std::memcpy(p, t, n);
        p += n;
    }
    *p = '\0';
    return out;
}

std::int64_t float_to_integer(double value) {
    constexpr double two63 = 9223372036854775808.0;
    if (std::isnan(value) || value >= two63 || value < -two63) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(std::trunc(value));
}

ArrayElements array_elements(const void* array) {
    ArrayElements out;
    if (array == nullptr) return out;
    const auto* bytes = static_cast<const std::uint8_t*>(array);
    std::uint32_t dims;
    std::memcpy(&dims, bytes, 4);
    out.first = bytes + 4 + 4 * static_cast<std::uint64_t>(dims);
    if (dims == 0) return out;
    std::uint64_t count = 1;
    for (std::uint32_t i = 0; i < dims; ++i) {
        std::uint32_t size;
        std::memcpy(&size, bytes + 4 + 4 * static_cast<std::uint64_t>(i), 4);
        count *= size;
    }
    out.count = count;
    return out;
}

}  // namespace tockly::image
