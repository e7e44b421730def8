// Small, non-throwing readers of JSON values and the shared spellings of bytes and words.
//
// Integers are accepted as JSON numbers or as "0x" hexadecimal strings; binary data is a string
// of hex digit pairs (whitespace between pairs allowed); texts are GBK shown through
// gbk_text.h. Every error names the JSON path in its `field`.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/result.h"

namespace tockly::image {

Error json_error(std::string path, std::string reason);

// Lowercase hex digit pairs, no separators.
std::string bytes_to_hex(std::span<const std::uint8_t> bytes);
// "0x" and eight lowercase hex digits.
std::string hex_word(std::uint32_t value);

Result<std::vector<std::uint8_t>> json_hex(const nlohmann::ordered_json& j, const std::string& path);
Result<std::uint32_t> json_u32(const nlohmann::ordered_json& j, const std::string& path);
Result<std::int32_t> json_i32(const nlohmann::ordered_json& j, const std::string& path);
// A GBK text from its display form.
Result<std::string> json_text(const nlohmann::ordered_json& j, const std::string& path);

// The member `key` of object `j`; an error naming path.key when it is missing.
Result<const nlohmann::ordered_json*> json_member(const nlohmann::ordered_json& j, const char* key,
                                                  const std::string& path);
Result<std::uint32_t> json_member_u32(const nlohmann::ordered_json& j, const char* key,
                                      const std::string& path);
// Refuses members other than `keys` (a misspelt member would otherwise be silently ignored).
Status json_only_keys(const nlohmann::ordered_json& j, const std::string& path,
                      std::initializer_list<std::string_view> keys);
Status json_only_keys(const nlohmann::ordered_json& j, const std::string& path,
                      std::span<const std::string_view> keys);

}  // namespace tockly::image
