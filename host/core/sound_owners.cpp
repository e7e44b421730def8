#include "host/core/sound_owners.h"

#include <utility>

namespace tockly::host {

namespace {

const SoundBytes kNoWav;

}  // namespace

SoundSteps SoundOwners::play_mp3(SoundOwner owner, Mp3Check check) {
    SoundSteps steps;
    Sound& sound = sounds_[owner];
    if (sound.mp3 != Mp3::none) steps.push_back({SoundStep::Kind::close_mp3, owner});
    sound.mp3 = check == Mp3Check::accepted ? Mp3::opening : Mp3::doubted_opening;
    return steps;
}

bool SoundOwners::wants_mp3(SoundOwner owner) const {
    auto it = sounds_.find(owner);
    return it != sounds_.end() && (it->second.mp3 == Mp3::opening || it->second.mp3 == Mp3::doubted_opening);
}

bool SoundOwners::mp3_doubted(SoundOwner owner) const {
    auto it = sounds_.find(owner);
    return it != sounds_.end() &&
           (it->second.mp3 == Mp3::doubted_opening || it->second.mp3 == Mp3::doubted_playing);
}

bool SoundOwners::has_mp3(SoundOwner owner) const {
    auto it = sounds_.find(owner);
    return it != sounds_.end() && it->second.mp3 != Mp3::none;
}

SoundSteps SoundOwners::mp3_playing(SoundOwner owner) {
    SoundSteps steps;
    if (!wants_mp3(owner)) return steps;
    Sound& sound = sounds_[owner];
    if (sound.mp3 == Mp3::opening) {
        sound.mp3 = Mp3::playing;
        return steps;
    }
    // The player took a file the quick check doubted: the ringtone replaces the built-in sound
    // that stood in for it.
    sound.mp3 = Mp3::doubted_playing;
    drop_wav(owner, steps);
    return steps;
}

SoundSteps SoundOwners::mp3_failed(SoundOwner owner) {
    SoundSteps steps;
    if (!wants_mp3(owner)) return steps;
    Sound& sound = sounds_[owner];
    const bool was_accepted = sound.mp3 == Mp3::opening;
    sound.mp3 = Mp3::none;
    // A doubted file keeps the built-in sound the program started for it; an accepted one that
    // turns out unplayable sounds as one refused at once would have.
    if (was_accepted && fallback_ && !fallback_->empty()) return play_wav(owner, fallback_, true);
    forget_if_silent(owner);
    return steps;
}

SoundSteps SoundOwners::play_wav(SoundOwner owner, SoundBytes wav, bool repeat) {
    SoundSteps steps;
    Sound& sound = sounds_[owner];
    // The ringtone already replaced the built-in sound this WAV stands for.
    if (sound.mp3 == Mp3::doubted_playing) return steps;
    if (sounding_ && *sounding_ > owner) {
        // A newer window is heard; a repeated WAV waits for it, a single play would be over by then.
        if (repeat) {
            sound.wav = std::move(wav);
            sound.repeat = true;
        } else {
            sound.wav.reset();
            forget_if_silent(owner);
        }
        return steps;
    }
    if (sounding_ && *sounding_ != owner) {
        // A single play that is covered is over; a repeated one waits to be heard again.
        auto covered = sounds_.find(*sounding_);
        if (covered != sounds_.end() && !covered->second.repeat) {
            covered->second.wav.reset();
            forget_if_silent(covered->first);
        }
    }
    Sound& mine = sounds_[owner];
    mine.wav = std::move(wav);
    mine.repeat = repeat;
    sounding_ = owner;
    steps.push_back({SoundStep::Kind::start_wav, owner});
    return steps;
}

SoundSteps SoundOwners::stop(SoundOwner owner) {
    SoundSteps steps;
    auto it = sounds_.find(owner);
    if (it == sounds_.end()) return steps;
    if (it->second.mp3 != Mp3::none) steps.push_back({SoundStep::Kind::close_mp3, owner});
    it->second.mp3 = Mp3::none;
    drop_wav(owner, steps);
    sounds_.erase(owner);
    return steps;
}

const SoundBytes& SoundOwners::wav_of(SoundOwner owner) const {
    auto it = sounds_.find(owner);
    return it != sounds_.end() ? it->second.wav : kNoWav;
}

bool SoundOwners::wav_repeats(SoundOwner owner) const {
    auto it = sounds_.find(owner);
    return it != sounds_.end() && it->second.repeat;
}

std::optional<SoundOwner> SoundOwners::newest_waiting() const {
    for (auto it = sounds_.rbegin(); it != sounds_.rend(); ++it) {
        if (it->second.wav && (!sounding_ || it->first != *sounding_)) return it->first;
    }
    return std::nullopt;
}

void SoundOwners::drop_wav(SoundOwner owner, SoundSteps& steps) {
    auto it = sounds_.find(owner);
    if (it != sounds_.end()) it->second.wav.reset();
    if (sounding_ != owner) {
        forget_if_silent(owner);
        return;
    }
    sounding_.reset();
    if (auto next = newest_waiting()) {
        sounding_ = next;
        steps.push_back({SoundStep::Kind::start_wav, *next});
    } else {
        steps.push_back({SoundStep::Kind::stop_wav, owner});
    }
    forget_if_silent(owner);
}

void SoundOwners::forget_if_silent(SoundOwner owner) {
    auto it = sounds_.find(owner);
    if (it != sounds_.end() && it->second.mp3 == Mp3::none && !it->second.wav) sounds_.erase(it);
}

}  // namespace tockly::host
