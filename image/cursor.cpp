#include "image/cursor.h"

#include <cstring>

namespace tockly::image {

Error ReadCursor::past_end(std::string_view field, std::uint64_t wanted) const {
    return make_error(
        std::string(field), offset(), wanted,
        "needs " + std::to_string(wanted) + " bytes but only " + std::to_string(remaining()) + " remain");
}

Status ReadCursor::seek(std::uint64_t position, std::string_view field) {
    if (position > bytes_.size()) {
        return make_error(std::string(field), base_ + pos_, base_ + position,
                          "points past the end of the input");
    }
    pos_ = position;
    return Ok{};
}

Result<std::span<const std::uint8_t>> ReadCursor::take(std::uint64_t count, std::string_view field) {
    if (count > remaining()) return past_end(field, count);
    auto out = bytes_.subspan(static_cast<std::size_t>(pos_), static_cast<std::size_t>(count));
    pos_ += count;
    return out;
}

Result<std::uint8_t> ReadCursor::u8(std::string_view field) {
    TOCKLY_TRY(b, take(1, field));
    return (*b)[0];
}

Result<std::uint16_t> ReadCursor::u16(std::string_view field) {
    TOCKLY_TRY(b, take(2, field));
    return static_cast<std::uint16_t>((*b)[0] | ((*b)[1] << 8));
}

Result<std::uint32_t> ReadCursor::u32(std::string_view field) {
    TOCKLY_TRY(b, take(4, field));
    const auto& s = *b;
    return static_cast<std::uint32_t>(s[0]) | (static_cast<std::uint32_t>(s[1]) << 8) |
           (static_cast<std::uint32_t>(s[2]) << 16) | (static_cast<std::uint32_t>(s[3]) << 24);
}

Result<std::int32_t> ReadCursor::i32(std::string_view field) {
    TOCKLY_TRY(v, u32(field));
    return static_cast<std::int32_t>(*v);
}

Result<std::uint64_t> ReadCursor::u64(std::string_view field) {
    // All eight bytes at once, so a short read names where the value starts.
    TOCKLY_TRY(b, take(8, field));
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | (*b)[static_cast<std::size_t>(i)];
    return v;
}

Result<double> ReadCursor::f64(std::string_view field) {
    TOCKLY_TRY(bits, u64(field));
    double d;
    std::uint64_t b = *bits;
    std::memcpy(&d, &b, sizeof d);
    return d;
}

Result<std::string> ReadCursor::nul_text(std::string_view field) {
    const std::uint8_t* start = bytes_.data() + pos_;
    const void* nul = std::memchr(start, 0, static_cast<std::size_t>(remaining()));
    if (nul == nullptr) {
        return make_error(std::string(field), offset(),
                          "text has no terminating zero before the end of the input");
    }
    std::size_t len = static_cast<const std::uint8_t*>(nul) - start;
    std::string out(reinterpret_cast<const char*>(start), len);
    pos_ += len + 1;
    return out;
}

Result<std::string> ReadCursor::counted_text(std::string_view field) {
    std::uint64_t at = offset();
    TOCKLY_TRY(len, u32(field));
    if (*len > remaining()) {
        return make_error(
            std::string(field), at, *len,
            "length runs past the end of the input (" + std::to_string(remaining()) + " bytes remain)");
    }
    TOCKLY_TRY(b, take(*len, field));
    return std::string(reinterpret_cast<const char*>(b->data()), b->size());
}

Result<ReadCursor> ReadCursor::sub(std::uint64_t count, std::string_view field) {
    std::uint64_t at = offset();
    TOCKLY_TRY(b, take(count, field));
    return ReadCursor(*b, at);
}

}  // namespace tockly::image
