// The built-in chime: one beep cycle as a complete RIFF WAVE file (16-bit stereo PCM at 44,100 Hz):
// 43 ms of silence, a steady square-ish tone of 1.2 kHz at about half full scale (its strongest
// components at 1.2, 3.6 and 6.0 kHz) up to 0.304 s, then silence to the end. Played repeatedly it
// gives about 2.4 beeps a second. Generated with integer arithmetic only, so every build makes the
// same bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace tockly::app {

namespace chime_format {
inline constexpr std::uint32_t sample_rate = 44100;
inline constexpr std::uint16_t channels = 2;
inline constexpr std::uint16_t bits_per_sample = 16;
inline constexpr std::uint16_t block_align = 4;
inline constexpr std::uint32_t byte_rate = 176400;
inline constexpr std::uint32_t frames = 18432;
inline constexpr std::uint32_t data_size = frames * block_align;  // 73,728
inline constexpr std::uint32_t header_size = 44;
inline constexpr std::uint32_t file_size = header_size + data_size;  // 73,772
inline constexpr std::uint32_t tone_first_frame = 1896;              // 43 ms
inline constexpr std::uint32_t tone_end_frame = 13406;               // 0.304 s
inline constexpr std::uint32_t tone_hz = 1200;
}  // namespace chime_format

std::vector<std::uint8_t> chime_wav();

}  // namespace tockly::app
