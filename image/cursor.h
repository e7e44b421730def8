// The one bounds-checked reader of untrusted bytes. Every read names the field it reads, so a
// failure reports the field, its offset and why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "image/result.h"

namespace tockly::image {

class ReadCursor {
public:
    // `base_offset` is the offset of `bytes[0]` within the whole input, so errors name
    // offsets of the whole image even when a cursor walks a slice of it.
    explicit ReadCursor(std::span<const std::uint8_t> bytes, std::uint64_t base_offset = 0)
        : bytes_(bytes), base_(base_offset) {}

    std::uint64_t position() const { return pos_; }                 // within this cursor
    std::uint64_t offset() const { return base_ + pos_; }           // within the whole input
    std::uint64_t size() const { return bytes_.size(); }
    std::uint64_t remaining() const { return bytes_.size() - pos_; }
    bool at_end() const { return pos_ == bytes_.size(); }
    std::span<const std::uint8_t> bytes() const { return bytes_; }
    std::uint64_t base_offset() const { return base_; }

    // Moves to an absolute position within this cursor; fails past the end.
    Status seek(std::uint64_t position, std::string_view field);

    Result<std::uint8_t> u8(std::string_view field);
    Result<std::uint16_t> u16(std::string_view field);
    Result<std::uint32_t> u32(std::string_view field);
    Result<std::int32_t> i32(std::string_view field);
    Result<std::uint64_t> u64(std::string_view field);
    Result<double> f64(std::string_view field);
    // `count` raw bytes.
    Result<std::span<const std::uint8_t>> take(std::uint64_t count, std::string_view field);
    // Bytes up to a NUL; the NUL is consumed and not returned.
    Result<std::string> nul_text(std::string_view field);
    // u32 length, then that many bytes.
    Result<std::string> counted_text(std::string_view field);
    // A cursor over the next `count` bytes; this cursor moves past them.
    Result<ReadCursor> sub(std::uint64_t count, std::string_view field);

private:
    Error past_end(std::string_view field, std::uint64_t wanted) const;

    std::span<const std::uint8_t> bytes_;
    std::uint64_t base_ = 0;
    std::uint64_t pos_ = 0;
};

}  // namespace tockly::image
