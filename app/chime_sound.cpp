#include "app/chime_sound.h"

#include <algorithm>

namespace tockly::app {

namespace {

using namespace chime_format;

// sin(2π · phase / 2^32) in Q16, from a quarter wave and an odd polynomial in fixed point (error
// below 0.02 %). Integer only: the same bytes on every compiler and platform.
std::int64_t sine_q16(std::uint32_t phase) {
    const std::uint32_t quadrant = phase >> 30;
    std::int64_t x = (phase >> 14) & 0xFFFF;  // position within the quarter, Q16
    if (quadrant & 1u) x = 65536 - x;
    const std::int64_t x2 = (x * x) >> 16;
    std::int64_t t = 307;           // (π/2)^7 / 7!, slightly tuned, Q16
    t = 5223 - ((t * x2) >> 16);    // (π/2)^5 / 5!
    t = 42334 - ((t * x2) >> 16);   // (π/2)^3 / 3!
    t = 102944 - ((t * x2) >> 16);  // π/2
    const std::int64_t s = (t * x) >> 16;
    return (quadrant & 2u) ? -s : s;
}

// The tone's phase step per frame: 1200 Hz of 44,100 frames a second, in units of 2^-32 turns.
constexpr std::uint32_t phase_step = static_cast<std::uint32_t>((std::uint64_t{tone_hz} << 32) / sample_rate);
// Scales the three-harmonic square (peak about 0.91 of a sine's) to about half full scale.
constexpr std::int64_t tone_scale = 18000;
// Fade-in and fade-out of 2 ms keep the tone's edges from clicking.
constexpr std::uint32_t fade_frames = 88;

std::int16_t tone_sample(std::uint32_t frame) {
    if (frame < tone_first_frame || frame >= tone_end_frame) return 0;
    const std::uint32_t n = frame - tone_first_frame;
    const auto phase = static_cast<std::uint32_t>(std::uint64_t{n} * phase_step);
    // A square wave's first three components: the fundamental and the odd harmonics 3 and 5.
    const std::int64_t wave = sine_q16(phase) + sine_q16(phase * 3u) / 3 + sine_q16(phase * 5u) / 5;  // Q16
    const std::uint32_t edge = std::min({n, tone_end_frame - 1 - frame, fade_frames});
    const std::int64_t value = wave * tone_scale / 65536 * edge / fade_frames;
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(value, -32768, 32767));
}

void put_u16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put_u16(out, static_cast<std::uint16_t>(v));
    put_u16(out, static_cast<std::uint16_t>(v >> 16));
}

void put_tag(std::vector<std::uint8_t>& out, const char (&tag)[5]) {
    out.insert(out.end(), tag, tag + 4);
}

}  // namespace

std::vector<std::uint8_t> chime_wav() {
    std::vector<std::uint8_t> out;
    out.reserve(file_size);
    put_tag(out, "RIFF");
    put_u32(out, file_size - 8);
    put_tag(out, "WAVE");
    put_tag(out, "fmt ");
    put_u32(out, 16);
    put_u16(out, 1);  // PCM
    put_u16(out, channels);
    put_u32(out, sample_rate);
    put_u32(out, byte_rate);
    put_u16(out, block_align);
    put_u16(out, bits_per_sample);
    put_tag(out, "data");
    put_u32(out, data_size);
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        const auto sample = static_cast<std::uint16_t>(tone_sample(frame));
        put_u16(out, sample);  // left
        put_u16(out, sample);  // right
    }
    return out;
}

}  // namespace tockly::app
