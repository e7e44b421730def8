#include "host/core/sound_owners.h"

#include <gtest/gtest.h>

namespace tockly::host {
namespace {

using Kind = SoundStep::Kind;
using Check = SoundOwners::Mp3Check;

constexpr SoundOwner kReminder = 3, kChime = 4, kLaterReminder = 5;

SoundBytes bytes(std::size_t size) {
    return std::make_shared<const std::vector<std::uint8_t>>(size, std::uint8_t{0});
}

SoundSteps steps(std::initializer_list<SoundStep> list) {
    return SoundSteps(list);
}

class SoundOwnersTest : public ::testing::Test {
  protected:
    SoundOwners sound;
    SoundBytes chime = bytes(73772);
};

// The hourly chime and a reminder due in the same second: the chime closing itself ends its own
// beep and nothing of the reminder, whatever the reminder plays.
TEST_F(SoundOwnersTest, TheChimesStopLeavesTheRemindersRingtonePlaying) {
    EXPECT_EQ(sound.play_mp3(kReminder, Check::accepted), steps({}));
    EXPECT_EQ(sound.mp3_playing(kReminder), steps({}));
    EXPECT_EQ(sound.play_wav(kChime, chime, true), steps({{Kind::start_wav, kChime}}));
    EXPECT_EQ(sound.stop(kChime), steps({{Kind::stop_wav, kChime}}));
    EXPECT_TRUE(sound.has_mp3(kReminder));
    EXPECT_EQ(sound.stop(kReminder), steps({{Kind::close_mp3, kReminder}}));
    EXPECT_FALSE(sound.has_mp3(kReminder));
}

TEST_F(SoundOwnersTest, TheRemindersBuiltInSoundIsHeardAgainWhenTheNewerChimeStops) {
    EXPECT_EQ(sound.play_wav(kReminder, chime, true), steps({{Kind::start_wav, kReminder}}));
    EXPECT_EQ(sound.play_wav(kChime, chime, true), steps({{Kind::start_wav, kChime}}));
    EXPECT_EQ(sound.stop(kChime), steps({{Kind::start_wav, kReminder}}));
    EXPECT_EQ(sound.sounding_wav(), kReminder);
    EXPECT_EQ(sound.stop(kReminder), steps({{Kind::stop_wav, kReminder}}));
    EXPECT_EQ(sound.sounding_wav(), std::nullopt);
}

TEST_F(SoundOwnersTest, AnOlderWindowsStopLeavesTheNewerWindowHeard) {
    sound.play_wav(kReminder, chime, true);
    sound.play_wav(kChime, chime, true);
    EXPECT_EQ(sound.stop(kReminder), steps({}));
    EXPECT_EQ(sound.sounding_wav(), kChime);
    // Stopping twice, or a window that never sounded, changes nothing.
    EXPECT_EQ(sound.stop(kReminder), steps({}));
    EXPECT_EQ(sound.stop(99), steps({}));
    EXPECT_EQ(sound.stop(kChime), steps({{Kind::stop_wav, kChime}}));
}

// An accepted ringtone that the player then refuses gives way to the fallback, behind a newer
// window's sound when one is heard, and is heard once that one ends.
TEST_F(SoundOwnersTest, TheFallbackOfALateFailureWaitsBehindANewerWindow) {
    sound.set_fallback(bytes(10));
    sound.play_mp3(kReminder, Check::accepted);
    sound.play_wav(kChime, chime, true);
    EXPECT_EQ(sound.mp3_failed(kReminder), steps({}));
    EXPECT_EQ(sound.stop(kChime), steps({{Kind::start_wav, kReminder}}));
    EXPECT_EQ(sound.wav_of(kReminder)->size(), 10u);
    EXPECT_TRUE(sound.wav_repeats(kReminder));

    // Alone, it starts at once; with no fallback the window stays silent.
    EXPECT_EQ(sound.play_mp3(kLaterReminder, Check::accepted), steps({}));
    EXPECT_EQ(sound.mp3_failed(kLaterReminder), steps({{Kind::start_wav, kLaterReminder}}));
    SoundOwners without;
    without.play_mp3(kReminder, Check::accepted);
    EXPECT_EQ(without.mp3_failed(kReminder), steps({}));
    EXPECT_EQ(without.stop(kReminder), steps({}));
}

// A file the quick check doubted: its built-in sound plays at once; when the player takes the
// file, the ringtone replaces that sound (and a built-in sound asked for later is not started); a
// refusal leaves the built-in sound going.
TEST_F(SoundOwnersTest, ADoubtedFileThePlayerTakesReplacesTheBuiltInSound) {
    sound.play_mp3(kReminder, Check::doubted);
    EXPECT_TRUE(sound.mp3_doubted(kReminder));
    EXPECT_EQ(sound.play_wav(kReminder, chime, true), steps({{Kind::start_wav, kReminder}}));
    EXPECT_EQ(sound.mp3_playing(kReminder), steps({{Kind::stop_wav, kReminder}}));
    EXPECT_EQ(sound.play_wav(kReminder, chime, true), steps({}));
    EXPECT_EQ(sound.stop(kReminder), steps({{Kind::close_mp3, kReminder}}));
}

TEST_F(SoundOwnersTest, ADoubtedFileThePlayerTakesUnderANewerChimeLeavesTheChimeHeard) {
    sound.play_mp3(kReminder, Check::doubted);
    sound.play_wav(kReminder, chime, true);
    sound.play_wav(kChime, chime, true);
    EXPECT_EQ(sound.mp3_playing(kReminder), steps({}));
    EXPECT_EQ(sound.stop(kChime), steps({{Kind::stop_wav, kChime}}));
    EXPECT_TRUE(sound.has_mp3(kReminder));
}

TEST_F(SoundOwnersTest, ADoubtedFileThePlayerRefusesLeavesTheBuiltInSound) {
    sound.set_fallback(bytes(10));
    sound.play_mp3(kReminder, Check::doubted);
    sound.play_wav(kReminder, chime, true);
    EXPECT_EQ(sound.mp3_failed(kReminder), steps({}));
    EXPECT_EQ(sound.sounding_wav(), kReminder);
    EXPECT_EQ(sound.wav_of(kReminder), chime);
    EXPECT_FALSE(sound.has_mp3(kReminder));
}

// What the player reports after the window stopped, or after a newer ringtone replaced the one
// it opened, changes nothing.
TEST_F(SoundOwnersTest, ReportsAboutAStoppedOrReplacedMp3ChangeNothing) {
    sound.set_fallback(bytes(10));
    sound.play_mp3(kReminder, Check::accepted);
    sound.stop(kReminder);
    EXPECT_FALSE(sound.wants_mp3(kReminder));
    EXPECT_EQ(sound.mp3_failed(kReminder), steps({}));
    EXPECT_EQ(sound.mp3_playing(kReminder), steps({}));
    EXPECT_EQ(sound.sounding_wav(), std::nullopt);

    sound.play_mp3(kChime, Check::accepted);
    EXPECT_EQ(sound.play_mp3(kChime, Check::doubted), steps({{Kind::close_mp3, kChime}}));
    EXPECT_TRUE(sound.wants_mp3(kChime));
    EXPECT_TRUE(sound.mp3_doubted(kChime));
}

// A single play is over once a newer sound covers it: it is not started again.
TEST_F(SoundOwnersTest, ASinglePlayIsNeverHeardAgain) {
    sound.play_wav(kReminder, bytes(5), false);
    sound.play_wav(kChime, chime, true);
    EXPECT_EQ(sound.stop(kChime), steps({{Kind::stop_wav, kChime}}));
    // Asked for while a newer window is heard, it is not played at all.
    sound.play_wav(kLaterReminder, chime, true);
    EXPECT_EQ(sound.play_wav(kReminder, bytes(5), false), steps({}));
    EXPECT_EQ(sound.stop(kLaterReminder), steps({{Kind::stop_wav, kLaterReminder}}));
}

}  // namespace
}  // namespace tockly::host
