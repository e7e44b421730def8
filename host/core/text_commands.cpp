#include "host/core/text_commands.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

#include "host/core/text_scan.h"
#include "image/text_routines.h"

namespace tockly::host {

namespace {
std::string_view view_of(const char* text) {
    return text != nullptr ? std::string_view(text, image::text_length(text)) : std::string_view();
}

std::uint64_t pointer_result(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p);
}
}  // namespace

char* left_part(TextAllocator& memory, const char* text, std::int32_t n) {
    const std::string_view whole = view_of(text);
    if (n <= 0) return new_text(memory, {});
    return new_text(memory, whole.substr(0, static_cast<std::size_t>(n)));
}

char* middle_part(TextAllocator& memory, const char* text, std::int32_t start, std::int32_t n) {
    const std::string_view whole = view_of(text);
    const std::int64_t first = start < 1 ? 0 : static_cast<std::int64_t>(start) - 1;
    if (n <= 0 || first >= static_cast<std::int64_t>(whole.size())) return new_text(memory, {});
    return new_text(memory, whole.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(n)));
}

char* integer_to_text(TextAllocator& memory, std::int32_t value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return new_text(memory, std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void* split_text(TextAllocator& memory, const char* text, const char* separator, std::int32_t limit) {
    const std::string_view whole = view_of(text);
    const std::string_view sep = view_of(separator);
    std::vector<std::string_view> pieces;
    const std::size_t max_pieces =
        limit < 0 ? std::numeric_limits<std::size_t>::max() : static_cast<std::size_t>(limit);
    if (!whole.empty() && max_pieces > 0) {
        if (sep.empty()) {
            pieces.push_back(whole);
        } else {
            std::size_t begin = 0;
            while (begin < whole.size() && pieces.size() < max_pieces) {
                const std::size_t at = whole.find(sep, begin);
                if (at == std::string_view::npos) {
                    pieces.push_back(whole.substr(begin));
                    break;
                }
                pieces.push_back(whole.substr(begin, at - begin));
                begin = at + sep.size();
            }
        }
    }
    return new_text_array(memory, pieces);
}

std::int32_t text_to_integer(const char* text) {
    const char* p = text != nullptr ? text : "";
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // Accumulate toward the clamp limit; one past INT32_MAX is still representable in 64 bits.
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > limit) magnitude = limit;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<std::uint64_t> call_text_command(TextAllocator& memory, std::uint32_t command, Args args) {
    const auto integer = [](std::int32_t v) {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(v));
    };
    switch (command) {
        case command::left_part:
            if (!arg_fits(args, 0, type_word::text) || !arg_is(args, 1, type_word::integer)) return 0;
            return pointer_result(left_part(memory, arg_text(args, 0), arg_int(args, 1)));
        case command::middle_part:
            if (!arg_fits(args, 0, type_word::text) || !arg_is(args, 1, type_word::integer) ||
                !arg_is(args, 2, type_word::integer)) {
                return 0;
            }
            return pointer_result(middle_part(memory, arg_text(args, 0), arg_int(args, 1), arg_int(args, 2)));
        case command::integer_to_text:
            if (!arg_is(args, 0, type_word::integer)) return 0;
            return pointer_result(integer_to_text(memory, arg_int(args, 0)));
        case command::split_text:
            if (!arg_fits(args, 0, type_word::text) || !arg_fits(args, 1, type_word::text) ||
                !arg_fits(args, 2, type_word::integer)) {
                return 0;
            }
            return pointer_result(
                split_text(memory, arg_text(args, 0), arg_text(args, 1), arg_int(args, 2, -1)));
        case command::to_integer:
            if (arg_is(args, 0, type_word::integer)) return integer(arg_int(args, 0));
            if (arg_is(args, 0, type_word::text)) return integer(text_to_integer(arg_text(args, 0)));
            return 0;
        default:
            return std::nullopt;
    }
}

}  // namespace tockly::host
