#include "host/win32/sound_player.h"

// clang-format off
#include <windows.h>  // first: mmsystem builds on it
#include <mmsystem.h>
// clang-format on

#include <deque>
#include <memory>
#include <optional>
#include <utility>

#include "host/core/mp3_signature.h"
#include "host/win32/critical_section.h"

namespace tockly::host::win32 {

namespace {

constexpr wchar_t kMp3Alias[] = L"tockly_ringtone";
// How long the program's end waits for the thread; a sound driver that hangs is not waited for.
constexpr DWORD kEndWaitMs = 2000;
// How long the MP3 command waits for a file's first bytes. A local file answers at once; a path on
// a share that is gone can take the system half a minute to give up, and the clock must not stop
// for that: such a file counts as not playable and the program's own sound plays instead. (Accepting
// it would leave the sound thread stuck opening it, and the chime silent behind it.)
constexpr DWORD kMp3CheckWaitMs = 300;

struct Request {
    enum class Kind { mp3, wav, stop, end };
    Kind kind = Kind::stop;
    std::wstring path;                 // mp3
    std::uint64_t mp3_generation = 0;  // mp3: the request it was made as
    std::vector<std::uint8_t> wav;     // wav
    bool repeat = false;               // wav

    static Request of(Kind kind) {
        Request request;
        request.kind = kind;
        return request;
    }
};

MCIERROR mci(const std::wstring& command) {
    return mciSendStringW(command.c_str(), nullptr, 0, nullptr);
}

}  // namespace

const char* sound_report_name(SoundReport report) {
    switch (report) {
        case SoundReport::mp3_playing:
            return "mp3_playing";
        case SoundReport::mp3_failed:
            return "mp3_failed";
        case SoundReport::mp3_cancelled:
            return "mp3_cancelled";
        case SoundReport::wav_failed:
            return "wav_failed";
    }
    return "?";
}

bool mp3_file_playable(const std::wstring& path) {
    if (path.empty()) return false;
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::vector<std::uint8_t> head(kMp3SignatureBytes);
    DWORD got = 0;
    if (!ReadFile(file.get(), head.data(), static_cast<DWORD>(head.size()), &got, nullptr)) return false;
    head.resize(got);
    return looks_like_mp3(head);
}

namespace {

// Checks that have not come back yet, process-wide: while several are stuck (an unreachable
// share), a further one is not started and its file counts as not playable.
volatile LONG g_stuck_checks = 0;
constexpr LONG kMostStuckChecks = 4;

// One quick check on a thread of its own, which owns the path it is given; its exit code is the
// answer, so a check still stuck when the caller has gone on shares nothing with it.
DWORD WINAPI run_quick_check(void* param) {
    const std::unique_ptr<std::wstring> path(static_cast<std::wstring*>(param));
    const DWORD playable = mp3_file_playable(*path) ? 1 : 0;
    InterlockedDecrement(&g_stuck_checks);
    return playable;
}

}  // namespace

bool mp3_file_playable_within(const std::wstring& path, DWORD wait_ms) {
    if (path.empty()) return false;
    if (InterlockedIncrement(&g_stuck_checks) > kMostStuckChecks) {
        InterlockedDecrement(&g_stuck_checks);
        return false;
    }
    auto* owned_path = new std::wstring(path);
    ScopedHandle thread(CreateThread(nullptr, 64 * 1024, run_quick_check, owned_path,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) {
        delete owned_path;
        InterlockedDecrement(&g_stuck_checks);
        return mp3_file_playable(path);
    }
    DWORD playable = 0;
    if (WaitForSingleObject(thread.get(), wait_ms) != WAIT_OBJECT_0 ||
        !GetExitCodeThread(thread.get(), &playable))
        return false;
    return playable == 1;
}

// What both sides share; the thread holds it too, so a thread left running at the end never
// touches freed memory.
struct SoundPlayerShared {
    CriticalSection lock;
    std::deque<Request> requests;
    // Raised by every MP3 request and every stop: an opening that finds it changed is stale.
    std::uint64_t mp3_generation = 0;
    std::vector<std::uint8_t> fallback;
    bool ended = false;
    ScopedHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    HWND report_window = nullptr;
    UINT report_message = 0;

    void push(Request request, bool replacing_all) {
        {
            LockGuard guard(lock);
            if (ended) return;
            if (replacing_all) requests.clear();
            if (request.kind == Request::Kind::end) ended = true;
            requests.push_back(std::move(request));
        }
        SetEvent(wake.get());
    }
    std::optional<Request> take() {
        LockGuard guard(lock);
        if (requests.empty()) return std::nullopt;
        Request request = std::move(requests.front());
        requests.pop_front();
        return request;
    }
    bool stale(std::uint64_t generation) {
        LockGuard guard(lock);
        return generation != mp3_generation;
    }
    std::vector<std::uint8_t> fallback_copy() {
        LockGuard guard(lock);
        return fallback;
    }
    void report(SoundReport what, DWORD error = 0) const {
        if (report_window != nullptr)
            PostMessageW(report_window, report_message, static_cast<WPARAM>(what),
                         static_cast<LPARAM>(error));
    }
};

namespace {

// The thread's own state: the open MP3 and the WAV bytes PlaySound is reading.
class SoundThread {
  public:
    explicit SoundThread(std::shared_ptr<SoundPlayerShared> shared) : shared_(std::move(shared)) {}

    void run() {
        for (;;) {
            WaitForSingleObject(shared_->wake.get(), INFINITE);
            while (std::optional<Request> request = shared_->take()) {
                if (request->kind == Request::Kind::end) {
                    silence();
                    return;
                }
                carry_out(*request);
            }
        }
    }

  private:
    void carry_out(Request& request) {
        switch (request.kind) {
            case Request::Kind::mp3:
                play_mp3(request);
                break;
            case Request::Kind::wav:
                play_wav(std::move(request.wav), request.repeat);
                break;
            case Request::Kind::stop:
            case Request::Kind::end:
                silence();
                break;
        }
    }

    void play_mp3(const Request& request) {
        close_mp3();
        const std::wstring alias = kMp3Alias;
        MCIERROR error = mci(L"open \"" + request.path + L"\" type mpegvideo alias " + alias);
        if (error == 0) {
            mp3_open_ = true;
            // A stop or a newer ringtone came while the device was opening: this one never sounds.
            if (shared_->stale(request.mp3_generation)) {
                close_mp3();
                shared_->report(SoundReport::mp3_cancelled);
                return;
            }
            error = mci(L"play " + alias);
            if (error == 0) {
                shared_->report(SoundReport::mp3_playing);
                return;
            }
            close_mp3();
        }
        if (shared_->stale(request.mp3_generation)) {
            shared_->report(SoundReport::mp3_cancelled, error);
            return;
        }
        shared_->report(SoundReport::mp3_failed, error);
        std::vector<std::uint8_t> fallback = shared_->fallback_copy();
        if (!fallback.empty()) play_wav(std::move(fallback), true);
    }

    void play_wav(std::vector<std::uint8_t> wav, bool repeat) {
        PlaySoundW(nullptr, nullptr, 0);
        // Kept until the next sound: PlaySound reads it while it plays.
        wav_ = std::move(wav);
        const DWORD flags = SND_MEMORY | SND_ASYNC | SND_NODEFAULT | (repeat ? SND_LOOP : 0);
        if (!PlaySoundW(reinterpret_cast<LPCWSTR>(wav_.data()), nullptr, flags))
            shared_->report(SoundReport::wav_failed, GetLastError());
    }

    void silence() {
        PlaySoundW(nullptr, nullptr, 0);
        wav_.clear();
        close_mp3();
    }

    void close_mp3() {
        if (!mp3_open_) return;
        mci(std::wstring(L"close ") + kMp3Alias);
        mp3_open_ = false;
    }

    std::shared_ptr<SoundPlayerShared> shared_;
    bool mp3_open_ = false;
    std::vector<std::uint8_t> wav_;
};

DWORD WINAPI sound_thread_main(void* parameter) {
    std::unique_ptr<std::shared_ptr<SoundPlayerShared>> shared(
        static_cast<std::shared_ptr<SoundPlayerShared>*>(parameter));
    try {
        SoundThread(*shared).run();
    } catch (...) {
        // Out of memory copying a sound: the program goes on without sound.
        return 1;
    }
    return 0;
}

}  // namespace

SoundPlayer::SoundPlayer(HWND report_window, UINT report_message)
    : shared_(std::make_shared<SoundPlayerShared>()) {
    shared_->report_window = report_window;
    shared_->report_message = report_message;
    if (!shared_->wake) return;
    auto* handed = new std::shared_ptr<SoundPlayerShared>(shared_);
    thread_ = ScopedHandle(CreateThread(nullptr, 0, &sound_thread_main, handed, 0, nullptr));
    if (!thread_) delete handed;
}

SoundPlayer::~SoundPlayer() {
    end();
}

void SoundPlayer::set_fallback(std::vector<std::uint8_t> wav) {
    LockGuard guard(shared_->lock);
    shared_->fallback = std::move(wav);
}

bool SoundPlayer::play_mp3(const std::wstring& path) {
    if (!thread_ || !mp3_file_playable_within(path, kMp3CheckWaitMs)) return false;
    Request request;
    request.kind = Request::Kind::mp3;
    request.path = path;
    {
        LockGuard guard(shared_->lock);
        if (shared_->ended) return false;
        request.mp3_generation = ++shared_->mp3_generation;
    }
    shared_->push(std::move(request), false);
    return true;
}

void SoundPlayer::play_wav(std::span<const std::uint8_t> wav, bool repeat) {
    if (!thread_) return;
    Request request;
    request.kind = Request::Kind::wav;
    request.wav.assign(wav.begin(), wav.end());
    request.repeat = repeat;
    shared_->push(std::move(request), false);
}

void SoundPlayer::stop() {
    if (!thread_) return;
    {
        LockGuard guard(shared_->lock);
        ++shared_->mp3_generation;
    }
    shared_->push(Request::of(Request::Kind::stop), true);
}

void SoundPlayer::end() {
    if (!thread_) return;
    {
        LockGuard guard(shared_->lock);
        ++shared_->mp3_generation;
    }
    shared_->push(Request::of(Request::Kind::end), true);
    WaitForSingleObject(thread_.get(), kEndWaitMs);
    thread_.reset();
}

}  // namespace tockly::host::win32
