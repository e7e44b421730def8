#include "host/core/arg_access.h"

namespace tockly::host {

std::uint32_t arg_type(Args args, std::size_t i) {
    return i < args.size() ? args[i].type : type_word::omitted;
}

bool arg_omitted(Args args, std::size_t i) {
    return arg_type(args, i) == type_word::omitted;
}

bool arg_is(Args args, std::size_t i, std::uint32_t type) {
    return i < args.size() && args[i].type == type;
}

bool arg_fits(Args args, std::size_t i, std::uint32_t type) {
    return arg_omitted(args, i) || arg_is(args, i, type);
}

const char* arg_text(Args args, std::size_t i) {
    if (!arg_is(args, i, type_word::text)) return "";
    const auto* text = reinterpret_cast<const char*>(args[i].low);
    return text != nullptr ? text : "";
}

std::int32_t arg_int(Args args, std::size_t i, std::int32_t fallback) {
    if (!arg_is(args, i, type_word::integer)) return fallback;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(args[i].low));
}

bool arg_logical(Args args, std::size_t i, bool fallback) {
    if (!arg_is(args, i, type_word::logical)) return fallback;
    return static_cast<std::uint32_t>(args[i].low) != 0;
}

std::int64_t arg_date_time(Args args, std::size_t i, std::int64_t fallback) {
    if (!arg_is(args, i, type_word::date_time)) return fallback;
    const std::uint64_t bits =
        (static_cast<std::uint64_t>(args[i].high) << 32) | static_cast<std::uint32_t>(args[i].low);
    return static_cast<std::int64_t>(bits);
}

const void* arg_byte_set(Args args, std::size_t i) {
    if (!arg_is(args, i, type_word::byte_set)) return nullptr;
    return reinterpret_cast<const void*>(args[i].low);
}

std::optional<UnitRef> arg_unit(Args args, std::size_t i) {
    if (i >= args.size() || !type_word::is_unit(args[i].type)) return std::nullopt;
    return UnitRef{static_cast<std::uint32_t>(args[i].low), args[i].high,
                   args[i].type - type_word::unit_base};
}

}  // namespace tockly::host
