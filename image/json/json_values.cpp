#include "image/json/json_values.h"

#include <limits>

#include "image/hex_text.h"
#include "image/json/gbk_text.h"

namespace tockly::image {

using json = nlohmann::ordered_json;

namespace {

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string member_path(const std::string& path, std::string_view key) {
    return path.empty() ? std::string(key) : path + "." + std::string(key);
}

Result<std::int64_t> json_integer(const json& j, const std::string& path) {
    if (j.is_number_unsigned()) {
        auto v = j.get<std::uint64_t>();
        if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return json_error(path, "number too large");
        }
        return static_cast<std::int64_t>(v);
    }
    if (j.is_number_integer()) return j.get<std::int64_t>();
    if (j.is_string()) {
        const auto& s = j.get_ref<const std::string&>();
        bool negative = !s.empty() && s[0] == '-';
        std::size_t start = negative ? 1 : 0;
        if (s.size() < start + 3 || s[start] != '0' || (s[start + 1] != 'x' && s[start + 1] != 'X') ||
            s.size() > start + 2 + 8) {
            return json_error(path, "must be a number or a \"0x\" hex string of at most 8 digits");
        }
        std::int64_t v = 0;
        for (std::size_t i = start + 2; i < s.size(); ++i) {
            int d = hex_digit(s[i]);
            if (d < 0) return json_error(path, "not a hex digit in \"" + s + "\"");
            v = v * 16 + d;
        }
        return negative ? -v : v;
    }
    return json_error(path, "must be an integer");
}

}  // namespace

Error json_error(std::string path, std::string reason) {
    return make_error(std::move(path), 0, std::move(reason));
}

std::string bytes_to_hex(std::span<const std::uint8_t> bytes) {
    return hex_bytes(bytes);
}

std::string hex_word(std::uint32_t value) {
    return hex(value, 8, HexLetters::lower);
}

Result<std::vector<std::uint8_t>> json_hex(const json& j, const std::string& path) {
    if (!j.is_string()) return json_error(path, "must be a string of hex digit pairs");
    const auto& s = j.get_ref<const std::string&>();
    std::vector<std::uint8_t> out;
    out.reserve(s.size() / 2);
    for (std::size_t i = 0; i < s.size();) {
        char c = s[i];
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (i + 1 >= s.size() || hex_digit(c) < 0 || hex_digit(s[i + 1]) < 0) {
            return make_error(path, i, "hex data must be pairs of hex digits");
        }
        out.push_back(static_cast<std::uint8_t>(hex_digit(c) * 16 + hex_digit(s[i + 1])));
        i += 2;
    }
    return out;
}

Result<std::uint32_t> json_u32(const json& j, const std::string& path) {
    TOCKLY_TRY(v, json_integer(j, path));
    if (*v < 0 || *v > 0xFFFFFFFFll) return json_error(path, "must lie in 0 .. 0xffffffff");
    return static_cast<std::uint32_t>(*v);
}

Result<std::int32_t> json_i32(const json& j, const std::string& path) {
    TOCKLY_TRY(v, json_integer(j, path));
    if (*v < std::numeric_limits<std::int32_t>::min() || *v > std::numeric_limits<std::int32_t>::max()) {
        return json_error(path, "must be a signed 32-bit number");
    }
    return static_cast<std::int32_t>(*v);
}

Result<std::string> json_text(const json& j, const std::string& path) {
    if (!j.is_string()) return json_error(path, "must be a string");
    auto text = gbk_from_display(j.get_ref<const std::string&>());
    if (!text) {
        Error e = text.error();
        e.field = path;
        return e;
    }
    return text;
}

Result<const json*> json_member(const json& j, const char* key, const std::string& path) {
    if (!j.is_object()) return json_error(path, "must be an object");
    auto it = j.find(key);
    if (it == j.end()) return json_error(member_path(path, key), "is missing");
    return &*it;
}

Result<std::uint32_t> json_member_u32(const json& j, const char* key, const std::string& path) {
    TOCKLY_TRY(m, json_member(j, key, path));
    return json_u32(**m, member_path(path, key));
}

Status json_only_keys(const json& j, const std::string& path, std::initializer_list<std::string_view> keys) {
    return json_only_keys(j, path, std::span<const std::string_view>(keys.begin(), keys.size()));
}

Status json_only_keys(const json& j, const std::string& path, std::span<const std::string_view> keys) {
    if (!j.is_object()) return json_error(path, "must be an object");
    for (const auto& [key, value] : j.items()) {
        bool allowed = false;
        for (auto k : keys) allowed = allowed || k == key;
        if (!allowed) return json_error(member_path(path, key), "is not a known member");
    }
    return Ok{};
}

}  // namespace tockly::image
