// The MP3 command's quick answer: which file starts look like an MP3 and which do not.
#include "host/core/mp3_signature.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tockly::host {
namespace {

using Bytes = std::vector<std::uint8_t>;

// `count` frames of `length` bytes each starting with `header`, after `junk` zero bytes.
Bytes frames(Bytes header, std::size_t length, int count, std::size_t junk = 0) {
    Bytes out(junk, 0);
    for (int i = 0; i < count; ++i) {
        Bytes frame(length, 0x55);
        std::copy(header.begin(), header.end(), frame.begin());
        out.insert(out.end(), frame.begin(), frame.end());
    }
    return out;
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes random_bytes(std::size_t n) {
    std::mt19937 random(12345);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(random());
    return out;
}

// Frame lengths as the MPEG audio standard gives them for these headers.
const Bytes kMpeg1Layer3_128k_44k = {0xFF, 0xFB, 0x90, 0x64};         // 417 bytes
const Bytes kMpeg1Layer3_128k_44k_padded = {0xFF, 0xFB, 0x92, 0x64};  // 418 bytes
const Bytes kMpeg2Layer3_64k_22k = {0xFF, 0xF3, 0x80, 0x64};          // 208 bytes
const Bytes kMpeg1Layer2_384k_32k = {0xFF, 0xFD, 0xE8, 0x04};         // 1,728 bytes
const Bytes kMpeg1Layer1_32k_44k = {0xFF, 0xFF, 0x10, 0x04};          // 32 bytes

struct Case {
    const char* name;
    Bytes head;
    bool mp3;
};

TEST(Mp3Signature, TellsMp3StartsFromOthers) {
    Bytes id3 = text("ID3");
    id3.insert(id3.end(), {0x03, 0x00, 0x00, 0x00, 0x00, 0x10, 0x7F});
    Bytes id3_bad_size = id3;
    id3_bad_size[9] = 0x80;
    Bytes id3_bad_version = id3;
    id3_bad_version[3] = 0x05;
    Bytes one_then_shifted = frames(kMpeg1Layer3_128k_44k, 418, 2);  // second header one byte late
    Bytes rates_differ = frames(kMpeg1Layer3_128k_44k, 417, 1);
    const Bytes other_rate = {0xFF, 0xFB, 0x94, 0x64};  // 48 kHz
    rates_differ.insert(rates_differ.end(), other_rate.begin(), other_rate.end());
    Bytes free_format = frames({0xFF, 0xFB, 0x00, 0x64}, 417, 3);

    const Case cases[] = {
        {"ID3v2 tag", id3, true},
        {"ID3v2 tag followed by anything",
         [&] {
             Bytes b = id3;
             b.resize(5000, 0);
             return b;
         }(),
         true},
        {"ID3 tag cut inside its header", text(std::string("ID3\x03\x00", 5)), false},
        {"ID3 with a size byte over 7 bits", id3_bad_size, false},
        {"ID3 of an unknown version", id3_bad_version, false},
        {"MPEG 1 layer III frames", frames(kMpeg1Layer3_128k_44k, 417, 3), true},
        {"padded MPEG 1 layer III frames", frames(kMpeg1Layer3_128k_44k_padded, 418, 2), true},
        {"MPEG 2 layer III frames", frames(kMpeg2Layer3_64k_22k, 208, 2), true},
        {"MPEG 1 layer II frames at the largest length", frames(kMpeg1Layer2_384k_32k, 1728, 2), true},
        {"MPEG 1 layer I frames", frames(kMpeg1Layer1_32k_44k, 32, 2), true},
        {"frames after some leading junk", frames(kMpeg1Layer3_128k_44k, 417, 2, 300), true},
        {"a single frame, the file cut before the next", frames(kMpeg1Layer3_128k_44k, 417, 1), false},
        {"a second header where the first does not point", one_then_shifted, false},
        {"a second header of another sample rate", rates_differ, false},
        {"free-format frames (no length in the header)", free_format, false},
        {"frames only after the looked-at start", frames(kMpeg1Layer3_128k_44k, 417, 3, kMp3SignatureBytes),
         false},
        {"empty file", {}, false},
        {"a text file", text("[表]\r\n铃声=c:\\ring.mp3\r\n这不是声音文件。\r\n"), false},
        {"a RIFF WAVE file", text(std::string("RIFF\x24\x08\x00\x00WAVEfmt ", 16)), false},
        {"random bytes", random_bytes(kMp3SignatureBytes), false},
        {"a header cut short", Bytes{0xFF, 0xFB, 0x90}, false},
    };
    for (const Case& c : cases) EXPECT_EQ(looks_like_mp3(c.head), c.mp3) << c.name;
}

}  // namespace
}  // namespace tockly::host
