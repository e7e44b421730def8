#include "host/core/mp3_signature.h"

#include <algorithm>
#include <optional>

namespace tockly::host {

namespace {

// "ID3", major version 2 to 4, a revision, flags, and a size of four 7-bit bytes.
constexpr std::size_t kId3HeaderBytes = 10;
constexpr std::size_t kFrameHeaderBytes = 4;

bool is_id3v2_header(std::span<const std::uint8_t> head) {
    if (head.size() < kId3HeaderBytes) return false;
    if (head[0] != 'I' || head[1] != 'D' || head[2] != '3') return false;
    if (head[3] < 2 || head[3] > 4 || head[4] == 0xFF) return false;
    return std::all_of(head.begin() + 6, head.begin() + 10, [](std::uint8_t b) { return b < 0x80; });
}

struct FrameHeader {
    unsigned version;  // bits of the header: 3 MPEG 1, 2 MPEG 2, 0 MPEG 2.5
    unsigned layer;    // bits of the header: 3 layer I, 2 layer II, 1 layer III
    unsigned sample_rate_index;
    std::size_t length;  // of the whole frame, header included
};

// kbit/s by bit-rate index 1..14: MPEG 1 layers I, II, III; MPEG 2 and 2.5 layer I; layers II and III.
constexpr unsigned kBitRates[5][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
};
// Hz by sample-rate index for MPEG 1; MPEG 2 halves them, MPEG 2.5 quarters them.
constexpr unsigned kSampleRates[3] = {44100, 48000, 32000};

std::optional<FrameHeader> frame_header(std::span<const std::uint8_t> at) {
    if (at.size() < kFrameHeaderBytes) return std::nullopt;
    if (at[0] != 0xFF || (at[1] & 0xE0) != 0xE0) return std::nullopt;
    const unsigned version = (at[1] >> 3) & 3;
    const unsigned layer = (at[1] >> 1) & 3;
    const unsigned bit_rate_index = at[2] >> 4;
    const unsigned sample_rate_index = (at[2] >> 2) & 3;
    const unsigned padding = (at[2] >> 1) & 1;
    // Reserved values, and the free format whose frame length no header gives.
    if (version == 1 || layer == 0 || bit_rate_index == 0 || bit_rate_index == 15 || sample_rate_index == 3)
        return std::nullopt;
    const bool mpeg1 = version == 3;
    const unsigned table = mpeg1 ? 3 - layer : (layer == 3 ? 3 : 4);
    const unsigned bits_per_second = kBitRates[table][bit_rate_index] * 1000;
    const unsigned sample_rate = kSampleRates[sample_rate_index] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    std::size_t length = 0;
    if (layer == 3) {
        length = (12 * bits_per_second / sample_rate + padding) * 4;
    } else {
        // Layer III of MPEG 2 and 2.5 has half as many samples in a frame.
        const unsigned samples_per_eighth = (layer == 1 && !mpeg1) ? 72 : 144;
        length = samples_per_eighth * bits_per_second / sample_rate + padding;
    }
    return FrameHeader{version, layer, sample_rate_index, length};
}

}  // namespace

bool looks_like_mp3(std::span<const std::uint8_t> head) {
    head = head.first(std::min(head.size(), kMp3SignatureBytes));
    if (is_id3v2_header(head)) return true;
    // One header alone is met by chance in any binary file; a second one where the first says
    // the next frame starts is not.
    for (std::size_t i = 0; i + kFrameHeaderBytes <= head.size(); ++i) {
        const auto first = frame_header(head.subspan(i));
        if (!first || i + first->length + kFrameHeaderBytes > head.size()) continue;
        const auto second = frame_header(head.subspan(i + first->length));
        if (second && second->version == first->version && second->layer == first->layer &&
            second->sample_rate_index == first->sample_rate_index)
            return true;
    }
    return false;
}

}  // namespace tockly::host
