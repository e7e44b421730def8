#include "host/win32/json_line.h"

#include <cstdio>

#include "image/hex_text.h"

namespace tockly::host::win32 {

std::string json_string(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (b < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", b);
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

std::string hex_id(std::uint32_t value) {
    return image::hex(value, 8);
}

void JsonLine::key(std::string_view k) {
    if (!body_.empty()) body_ += ',';
    body_ += json_string(k);
    body_ += ':';
}

JsonLine& JsonLine::text(std::string_view k, std::string_view utf8) {
    key(k);
    body_ += json_string(utf8);
    return *this;
}

JsonLine& JsonLine::number(std::string_view k, std::int64_t value) {
    key(k);
    body_ += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::boolean(std::string_view k, bool value) {
    key(k);
    body_ += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::raw(std::string_view k, std::string_view json) {
    key(k);
    body_ += json;
    return *this;
}

}  // namespace tockly::host::win32
