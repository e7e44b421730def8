#include "app/chime_sound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

namespace tockly::app {
namespace {

std::uint32_t u32_at(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t{b[at + 3]} << 24;
}
std::uint16_t u16_at(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::string tag_at(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::string(reinterpret_cast<const char*>(&b[at]), 4);
}

struct Sound {
    std::vector<std::int16_t> left, right;
};

Sound samples(const std::vector<std::uint8_t>& wav) {
    Sound s;
    for (std::size_t at = 44; at + 4 <= wav.size(); at += 4) {
        s.left.push_back(static_cast<std::int16_t>(u16_at(wav, at)));
        s.right.push_back(static_cast<std::int16_t>(u16_at(wav, at + 2)));
    }
    return s;
}

TEST(Chime, IsACompleteWaveFileOfTheFixedLayout) {
    const auto wav = chime_wav();
    ASSERT_EQ(wav.size(), 73772u);
    EXPECT_EQ(tag_at(wav, 0), "RIFF");
    EXPECT_EQ(u32_at(wav, 4), 73764u);
    EXPECT_EQ(tag_at(wav, 8), "WAVE");
    EXPECT_EQ(tag_at(wav, 12), "fmt ");
    EXPECT_EQ(u32_at(wav, 16), 16u);
    EXPECT_EQ(u16_at(wav, 20), 1u);  // PCM
    EXPECT_EQ(u16_at(wav, 22), 2u);  // channels
    EXPECT_EQ(u32_at(wav, 24), 44100u);
    EXPECT_EQ(u32_at(wav, 28), 176400u);
    EXPECT_EQ(u16_at(wav, 32), 4u);  // block align
    EXPECT_EQ(u16_at(wav, 34), 16u);
    EXPECT_EQ(tag_at(wav, 36), "data");
    EXPECT_EQ(u32_at(wav, 40), 73728u);  // nothing follows the samples
    EXPECT_EQ(wav, chime_wav()) << "the same bytes every time";
}

TEST(Chime, SilenceThenAToneOfAboutHalfScaleThenSilence) {
    const Sound s = samples(chime_wav());
    ASSERT_EQ(s.left.size(), 18432u);
    EXPECT_EQ(s.left, s.right);
    const auto frame_at = [](double seconds) { return static_cast<std::size_t>(seconds * 44100); };
    for (std::size_t i = 0; i < frame_at(0.042); ++i) ASSERT_EQ(s.left[i], 0) << "frame " << i;
    for (std::size_t i = frame_at(0.305); i < s.left.size(); ++i) ASSERT_EQ(s.left[i], 0) << "frame " << i;

    int peak = 0;
    for (std::size_t i = frame_at(0.050); i < frame_at(0.300); ++i)
        peak = std::max(peak, std::abs(int{s.left[i]}));
    EXPECT_GT(peak, 32768 * 0.4);
    EXPECT_LT(peak, 32768 * 0.6);
    // Steady: every 10 ms stretch of the tone reaches nearly the same peak.
    for (double from = 0.050; from < 0.29; from += 0.010) {
        int local = 0;
        for (std::size_t i = frame_at(from); i < frame_at(from + 0.010); ++i)
            local = std::max(local, std::abs(int{s.left[i]}));
        EXPECT_GT(local, peak * 0.95) << "at " << from << " s";
    }
    // Fades, not a jump, at the tone's edges.
    const std::size_t start = frame_at(0.043);
    EXPECT_LT(std::abs(int{s.left[start + 1]}), peak / 10);
}

double magnitude_at(const std::vector<std::int16_t>& x, std::size_t from, std::size_t n, double hz) {
    double re = 0, im = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double w = 2 * std::numbers::pi * hz * static_cast<double>(i) / 44100.0;
        re += x[from + i] * std::cos(w);
        im -= x[from + i] * std::sin(w);
    }
    return std::hypot(re, im) / static_cast<double>(n);
}

TEST(Chime, StrongestComponentsAreTheOddHarmonicsOf1200Hz) {
    const Sound s = samples(chime_wav());
    const std::size_t from = static_cast<std::size_t>(0.060 * 44100), n = 8820;  // 200 ms of steady tone
    const double f1 = magnitude_at(s.left, from, n, 1200);
    const double f3 = magnitude_at(s.left, from, n, 3600);
    const double f5 = magnitude_at(s.left, from, n, 6000);
    EXPECT_GT(f1, f3);
    EXPECT_GT(f3, f5);
    double strongest_other = 0;
    for (double hz : {300.0, 600.0, 900.0, 1500.0, 2400.0, 3000.0, 4800.0, 7200.0, 8400.0, 12000.0})
        strongest_other = std::max(strongest_other, magnitude_at(s.left, from, n, hz));
    EXPECT_GT(f5, 20 * strongest_other);
}

}  // namespace
}  // namespace tockly::app
