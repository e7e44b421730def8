// The host's sound: a thread of its own that owns MCI and PlaySound, so that opening a ringtone,
// waiting for a sound device that is slow or missing, or a damaged file never holds the window
// thread. The window thread only hands requests over; the thread carries them out in order and
// posts what became of them back to the window thread (for the trace).
//
// An MP3 is accepted at once when the file can be read (within a bound) and its start looks like an MP3; its
// opening and playing follow on the thread. When an accepted MP3 then cannot be played (no sound
// device, a file that only looked right), the fallback sound plays in its place, repeated until
// stopped: what the program itself plays when the MP3 is refused at once.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "host/win32/scoped_handle.h"

namespace tockly::host::win32 {

// What became of a request, posted to the report window as the message's WPARAM (the LPARAM is
// the MCI or system error number where there is one).
enum class SoundReport : WPARAM {
    mp3_playing = 1,
    mp3_failed,     // the fallback sound plays instead, when there is one
    mp3_cancelled,  // stopped or replaced while it was still opening: never played
    wav_failed,
};
const char* sound_report_name(SoundReport report);

struct SoundPlayerShared;

class SoundPlayer {
  public:
    // Reports go to `report_window` as `report_message`; a null window gets none.
    SoundPlayer(HWND report_window, UINT report_message);
    // Ends the thread (see end()).
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // A WAV file played, repeated, in place of an accepted MP3 that cannot be played.
    void set_fallback(std::vector<std::uint8_t> wav);
    // Whether the file at `path` can be played; if so its playing is handed to the thread, in
    // place of any MP3 before it.
    bool play_mp3(const std::wstring& path);
    // Plays a WAV file held in memory (copied), in place of any WAV before it.
    void play_wav(std::span<const std::uint8_t> wav, bool repeat);
    // Ends whatever plays or is about to: MP3, WAV, an MP3 still opening, requests not yet begun.
    void stop();
    // Stops everything and ends the thread, waiting for it a bounded time: a thread stuck in a
    // sound driver is left to the end of the process. Later requests are ignored.
    void end();

  private:
    std::shared_ptr<SoundPlayerShared> shared_;
    ScopedHandle thread_;
};

// Whether the file can be opened for reading and its first bytes look like an MP3. Reads at most
// kMp3SignatureBytes, however big the file.
bool mp3_file_playable(const std::wstring& path);
// The same answer if it comes within `wait_ms` (the check runs on a thread of its own); a file
// that does not answer in time (a share that is gone, a pipe that never writes) is not playable.
bool mp3_file_playable_within(const std::wstring& path, DWORD wait_ms);

}  // namespace tockly::host::win32
