// The small routines every handler uses on texts and arrays: compare, length, concatenate,
// float to integer, array element count. Texts are NUL-terminated GBK bytes; a null text is the
// empty text.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

namespace tockly::image {

// -1, 0 or 1, comparing raw bytes as unsigned values; a proper prefix is the smaller.
int text_compare(const char* a, const char* b);

// Bytes before the NUL; 0 for null.
std::uint32_t text_length(const char* text);

// Memory for a new text comes from the host's allocator.
using Allocate = void* (*)(void* context, std::uint32_t size);

// A new text holding the given texts one after another (null counts as empty), owned by the
// caller. Returns null only when the allocator does.
char* concatenate(std::span<const char* const> texts, Allocate allocate, void* context);
inline char* concatenate(std::initializer_list<const char*> texts, Allocate allocate, void* context) {
    return concatenate(std::span<const char* const>(texts.begin(), texts.size()), allocate, context);
}

// Truncation toward zero; NaN and values outside the signed 64-bit range give INT64_MIN.
std::int64_t float_to_integer(double value);

// An array block: u32 number of dimensions, one u32 size per dimension, then the elements.
struct ArrayElements {
    std::uint64_t count = 0;                 // product of the sizes; 0 with no dimensions or a null array
    const std::uint8_t* first = nullptr;     // where element 1 lies (just after the sizes)
};
ArrayElements array_elements(const void* array);

}  // namespace tockly::image
