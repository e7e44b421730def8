// Builders of typed argument records, for handlers calling host commands and for tests. A null
// text is never handed to the host: text_arg(nullptr) passes the empty text instead.
#pragma once

#include <cstdint>

#include "host/host.h"

namespace tockly::host {

inline ArgRecord text_arg(const char* text) {
    static const char empty[] = "";
    return {reinterpret_cast<std::uintptr_t>(text != nullptr ? text : empty), 0, type_word::text};
}

inline ArgRecord int_arg(std::int32_t value) {
    return {static_cast<std::uint32_t>(value), 0, type_word::integer};
}

inline ArgRecord logical_arg(bool value) {
    return {value ? 1u : 0u, 0, type_word::logical};
}

inline ArgRecord date_time_arg(std::int64_t value) {
    const auto bits = static_cast<std::uint64_t>(value);
    return {static_cast<std::uint32_t>(bits), static_cast<std::uint32_t>(bits >> 32), type_word::date_time};
}

// A window, a control or a menu item: the window's identifier and the unit's own.
inline ArgRecord unit_arg(std::uint32_t window, std::uint32_t unit, std::uint32_t type_number) {
    return {window, unit, type_word::unit(type_number)};
}

// A byte set: u32 1, u32 length, then the bytes.
inline ArgRecord byte_set_arg(const void* byte_set) {
    return {reinterpret_cast<std::uintptr_t>(byte_set), 0, type_word::byte_set};
}

inline ArgRecord omitted_arg() {
    return {0, 0, type_word::omitted};
}

}  // namespace tockly::host
