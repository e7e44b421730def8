// Whose sound is whose. Every sound belongs to the window whose handler asked for it, and a stop
// ends only that window's sound: a chime popup closing itself must not silence a reminder that is
// still open.
//
// A host has many MP3 players (each window's ringtone plays on a device of its own, side by side)
// but one WAV channel: the newest window's WAV is the one heard, and when it stops, the newest
// window still wanting a repeated WAV is heard again. An MP3 that opens and plays after the quick
// check doubted its file replaces its window's WAV (the built-in sound played in the meantime).
//
// This is the decision alone, with no device: the host feeds it the requests and what became of
// each MP3, and carries out the steps it answers, in order.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tockly::host {

// The serial of the window whose handler asked; 0 for a request made outside any handler.
using SoundOwner = std::uint64_t;
using SoundBytes = std::shared_ptr<const std::vector<std::uint8_t>>;

struct SoundStep {
    enum class Kind {
        close_mp3,  // close the owner's MP3 device, if it is open
        start_wav,  // play the owner's WAV (wav_of) on the WAV channel, in place of what plays there
        stop_wav,   // silence the WAV channel
    };
    Kind kind = Kind::stop_wav;
    SoundOwner owner = 0;
    bool operator==(const SoundStep&) const = default;
};
using SoundSteps = std::vector<SoundStep>;

class SoundOwners {
  public:
    // How the quick check took the owner's MP3 file.
    enum class Mp3Check {
        accepted,  // it looks like an MP3: the host opens it now; if that fails, the fallback plays
        doubted,   // readable, but it does not look like one: the host offers it to the player when
                   // it is idle; meanwhile the owner's own WAV (the built-in sound) plays
    };

    // The WAV an accepted MP3 that cannot be played gives way to (repeated); empty: none.
    void set_fallback(SoundBytes wav) { fallback_ = std::move(wav); }

    // The owner's MP3 is on its way to the player, in place of any MP3 it had.
    SoundSteps play_mp3(SoundOwner owner, Mp3Check check);
    // Whether the owner still wants the MP3 it asked for last (neither stopped nor replaced), and
    // whether that one was doubted.
    bool wants_mp3(SoundOwner owner) const;
    bool mp3_doubted(SoundOwner owner) const;
    // The player opened and started the owner's MP3.
    SoundSteps mp3_playing(SoundOwner owner);
    // The player could not open or start it: an accepted file gives way to the fallback, a doubted
    // one leaves the owner's WAV as it is.
    SoundSteps mp3_failed(SoundOwner owner);

    // The owner's WAV, in place of any WAV it had.
    SoundSteps play_wav(SoundOwner owner, SoundBytes wav, bool repeat);
    // Ends the owner's sound, MP3 and WAV, and no other's.
    SoundSteps stop(SoundOwner owner);

    // The WAV that start_wav of `owner` plays; null when it has none.
    const SoundBytes& wav_of(SoundOwner owner) const;
    bool wav_repeats(SoundOwner owner) const;
    // Whose WAV is heard, if any one's.
    std::optional<SoundOwner> sounding_wav() const { return sounding_; }
    // Whether the owner's MP3 device is open or opening.
    bool has_mp3(SoundOwner owner) const;

  private:
    enum class Mp3 { none, opening, doubted_opening, playing, doubted_playing };
    struct Sound {
        Mp3 mp3 = Mp3::none;
        SoundBytes wav;
        bool repeat = false;
    };
    // The newest owner whose WAV waits for the channel (always a repeated one).
    std::optional<SoundOwner> newest_waiting() const;
    // Drops the owner's WAV; when it was the one heard, the channel goes to the newest waiting one.
    void drop_wav(SoundOwner owner, SoundSteps& steps);
    void forget_if_silent(SoundOwner owner);

    std::map<SoundOwner, Sound> sounds_;
    std::optional<SoundOwner> sounding_;
    SoundBytes fallback_;
};

}  // namespace tockly::host
