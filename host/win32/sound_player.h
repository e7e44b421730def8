// The host's sound: a thread of its own that owns MCI and PlaySound, so that opening a ringtone,
// waiting for a sound device that is slow or missing, or a damaged file never holds the window
// thread. The window thread only hands requests over; the thread carries them out in order and
// tells the window thread what became of them (for the trace).
//
// Every request belongs to the window that made it (see host/core/sound_owners.h): each window's
// MP3 has an MCI device of its own, the WAVs share PlaySound's one channel, and a stop ends only
// its own window's sound.
//
// An MP3 is accepted at once when the file can be read (within a bound) and its start looks like an
// MP3; its opening and playing follow on the thread. When an accepted MP3 then cannot be played (no
// sound device, a file that only looked right), the fallback sound plays in its place, repeated
// until stopped. A readable file whose start does not look like an MP3 is refused at once (the
// program starts its own sound) and still offered to MCI once the thread is idle: when MCI plays
// it, it replaces that window's sound.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/core/sound_owners.h"
#include "host/win32/scoped_resources.h"

namespace tockly::host::win32 {

// What became of a request on the sound thread.
struct SoundReport {
    enum class What {
        mp3_playing,
        mp3_failed,     // an accepted MP3: the fallback sound plays instead, when there is one
        mp3_refused,    // an offered file MCI would not play: the window's own sound goes on
        mp3_cancelled,  // stopped or replaced while it was still opening: never played
        wav_started,
        wav_failed,
        stopped,
    };
    What what = What::stopped;
    SoundOwner window = 0;
    DWORD error = 0;                            // the MCI or system error number, where there is one
    bool offered = false;                       // mp3_*: the file was one the quick check doubted
    bool resumed = false;                       // wav_started: heard again after a newer window's sound ended
    bool ended_mp3 = false, ended_wav = false;  // stopped: what the stop ended
};
const char* sound_report_name(SoundReport::What what);

struct SoundPlayerShared;

class SoundPlayer {
  public:
    // `report_message` is posted to `report_window` when reports are waiting; a null window gets
    // none.
    SoundPlayer(HWND report_window, UINT report_message);
    // Ends the thread (see end()).
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // A WAV file played, repeated, in place of an accepted MP3 that cannot be played.
    void set_fallback(std::vector<std::uint8_t> wav);
    // Whether the file at `path` can be played; if so its playing is handed to the thread, in
    // place of the owner's MP3 before it. A readable file that is refused is still offered.
    bool play_mp3(SoundOwner owner, const std::wstring& path);
    // Plays a WAV file held in memory (copied), in place of the owner's WAV before it.
    void play_wav(SoundOwner owner, std::span<const std::uint8_t> wav, bool repeat);
    // Ends the owner's sound: its MP3 (playing or still opening), its WAV, its requests not yet begun.
    void stop(SoundOwner owner);
    // Stops everything and ends the thread, waiting for it a bounded time: a thread stuck in a
    // sound driver is left to the end of the process. Later requests are ignored.
    void end();
    // The reports the thread has made since the last call, oldest first.
    std::vector<SoundReport> take_reports();

  private:
    std::shared_ptr<SoundPlayerShared> shared_;
    ScopedHandle thread_;
};

// How the quick check found a ringtone file.
enum class Mp3FileCheck { unreadable, doubted, looks_like_mp3 };
// Reads at most kMp3SignatureBytes of the file, however big it is.
Mp3FileCheck check_mp3_file(const std::wstring& path);
// The same answer if it comes within `wait_ms` (the check runs on a thread of its own); a file
// that does not answer in time (a share that is gone, a pipe that never writes) is unreadable.
Mp3FileCheck check_mp3_file_within(const std::wstring& path, DWORD wait_ms);

}  // namespace tockly::host::win32
