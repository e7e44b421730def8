// One JSON object on one line, built field by field (the trace file's lines). Strings must be
// UTF-8; they are escaped as JSON requires.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tockly::host::win32 {

class JsonLine {
  public:
    JsonLine& text(std::string_view key, std::string_view utf8);
    JsonLine& number(std::string_view key, std::int64_t value);
    JsonLine& boolean(std::string_view key, bool value);
    // A value already in JSON form (an array or object built with json_array / another line).
    JsonLine& raw(std::string_view key, std::string_view json);
    // The object and a newline.
    std::string str() const { return "{" + body_ + "}\n"; }
    // The object without the newline, to nest it.
    std::string object() const { return "{" + body_ + "}"; }

  private:
    void key(std::string_view k);
    std::string body_;
};

// A JSON string literal of UTF-8 text.
std::string json_string(std::string_view utf8);
// "0x52010001"
std::string hex_id(std::uint32_t value);

}  // namespace tockly::host::win32
