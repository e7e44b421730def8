#include "host/win32/sound_player.h"

// clang-format off
#include <windows.h>  // first: mmsystem builds on it
#include <mmsystem.h>
// clang-format on

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>

#include "host/core/mp3_signature.h"
#include "host/win32/critical_section.h"

namespace tockly::host::win32 {

namespace {

// How long the program's end waits for the thread; a sound driver that hangs is not waited for.
constexpr DWORD kEndWaitMs = 2000;
// How long the MP3 command waits for a file's first bytes. A local file answers at once; a path on
// a share that is gone can take the system half a minute to give up, and the clock must not stop
// for that: such a file counts as not playable and the program's own sound plays instead. (Accepting
// it would leave the sound thread stuck opening it, and the chime silent behind it.)
constexpr DWORD kMp3CheckWaitMs = 300;
// How long the thread stays idle before it offers a doubted file to MCI: the program's own sound
// for it comes in the same handler, just after the refusal, and must start first.
constexpr DWORD kOfferGraceMs = 100;

struct Request {
    enum class Kind { mp3, offer, wav, fallback, stop, end };
    Kind kind = Kind::stop;
    SoundOwner owner = 0;
    std::wstring path;  // mp3, offer
    SoundBytes wav;     // wav, fallback
    bool repeat = false;
};

MCIERROR mci(const std::wstring& command) {
    return mciSendStringW(command.c_str(), nullptr, 0, nullptr);
}

// Each window's ringtone has a device of its own, so that two play side by side and closing one
// leaves the other.
std::wstring mp3_alias(SoundOwner owner) {
    return L"tockly_ringtone_" + std::to_wstring(owner);
}

}  // namespace

const char* sound_report_name(SoundReport::What what) {
    using W = SoundReport::What;
    switch (what) {
        case W::mp3_playing:
            return "mp3_playing";
        case W::mp3_failed:
            return "mp3_failed";
        case W::mp3_refused:
            return "mp3_refused";
        case W::mp3_cancelled:
            return "mp3_cancelled";
        case W::wav_started:
            return "wav_started";
        case W::wav_failed:
            return "wav_failed";
        case W::stopped:
            return "stopped";
    }
    return "?";
}

Mp3FileCheck check_mp3_file(const std::wstring& path) {
    if (path.empty()) return Mp3FileCheck::unreadable;
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return Mp3FileCheck::unreadable;
    std::vector<std::uint8_t> head(kMp3SignatureBytes);
    DWORD got = 0;
    if (!ReadFile(file.get(), head.data(), static_cast<DWORD>(head.size()), &got, nullptr))
        return Mp3FileCheck::unreadable;
    head.resize(got);
    return looks_like_mp3(head) ? Mp3FileCheck::looks_like_mp3 : Mp3FileCheck::doubted;
}

namespace {

// Checks that have not come back yet, process-wide: while several are stuck (an unreachable
// share), a further one is not started and its file counts as unreadable.
volatile LONG g_stuck_checks = 0;
constexpr LONG kMostStuckChecks = 4;
// A thread's exit code for each answer; STILL_ACTIVE and failures read as none of them.
constexpr DWORD kExitDoubted = 1, kExitLooksLikeMp3 = 2;

// One quick check on a thread of its own, which owns the path it is given; its exit code is the
// answer, so a check still stuck when the caller has gone on shares nothing with it.
DWORD WINAPI run_quick_check(void* param) {
    const std::unique_ptr<std::wstring> path(static_cast<std::wstring*>(param));
    const Mp3FileCheck check = check_mp3_file(*path);
    InterlockedDecrement(&g_stuck_checks);
    return check == Mp3FileCheck::looks_like_mp3 ? kExitLooksLikeMp3
           : check == Mp3FileCheck::doubted      ? kExitDoubted
                                                 : 0;
}

}  // namespace

Mp3FileCheck check_mp3_file_within(const std::wstring& path, DWORD wait_ms) {
    if (path.empty()) return Mp3FileCheck::unreadable;
    if (InterlockedIncrement(&g_stuck_checks) > kMostStuckChecks) {
        InterlockedDecrement(&g_stuck_checks);
        return Mp3FileCheck::unreadable;
    }
    auto* owned_path = new std::wstring(path);
    ScopedHandle thread(CreateThread(nullptr, 64 * 1024, run_quick_check, owned_path,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!thread) {
        delete owned_path;
        InterlockedDecrement(&g_stuck_checks);
        return check_mp3_file(path);
    }
    DWORD answer = 0;
    if (WaitForSingleObject(thread.get(), wait_ms) != WAIT_OBJECT_0 ||
        !GetExitCodeThread(thread.get(), &answer))
        return Mp3FileCheck::unreadable;
    return answer == kExitLooksLikeMp3 ? Mp3FileCheck::looks_like_mp3
           : answer == kExitDoubted    ? Mp3FileCheck::doubted
                                       : Mp3FileCheck::unreadable;
}

// What both sides share; the thread holds it too, so a thread left running at the end never
// touches freed memory.
struct SoundPlayerShared {
    CriticalSection lock;
    std::deque<Request> requests;
    std::vector<SoundReport> reports;
    bool ended = false;
    ScopedHandle wake{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    HWND report_window = nullptr;
    UINT report_message = 0;

    void push(Request request) {
        {
            LockGuard guard(lock);
            if (ended) return;
            // A stop makes the owner's requests not yet begun pointless; the end makes all of them so.
            if (request.kind == Request::Kind::end) {
                requests.clear();
                ended = true;
            } else if (request.kind == Request::Kind::stop) {
                std::erase_if(requests, [&](const Request& r) {
                    return r.owner == request.owner && r.kind != Request::Kind::fallback;
                });
            }
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
    // Whether a request waiting now makes the owner's MP3 that is opening pointless: a stop of
    // the owner, a newer MP3 of it, or the end.
    bool superseded(SoundOwner owner) {
        LockGuard guard(lock);
        return std::any_of(requests.begin(), requests.end(), [&](const Request& r) {
            return r.kind == Request::Kind::end ||
                   (r.owner == owner && (r.kind == Request::Kind::stop || r.kind == Request::Kind::mp3 ||
                                         r.kind == Request::Kind::offer));
        });
    }
    void report(const SoundReport& what) {
        bool first = false;
        {
            LockGuard guard(lock);
            first = reports.empty();
            reports.push_back(what);
        }
        if (first && report_window != nullptr) PostMessageW(report_window, report_message, 0, 0);
    }
};

namespace {

// The thread's own state: who owns which sound, the open MCI devices and the WAV bytes PlaySound
// is reading.
class SoundThread {
  public:
    explicit SoundThread(std::shared_ptr<SoundPlayerShared> shared) : shared_(std::move(shared)) {}

    void run() {
        for (;;) {
            const DWORD wait = offers_.empty() ? INFINITE : kOfferGraceMs;
            const bool woken = WaitForSingleObject(shared_->wake.get(), wait) == WAIT_OBJECT_0;
            while (std::optional<Request> request = shared_->take()) {
                if (request->kind == Request::Kind::end) {
                    silence();
                    return;
                }
                carry_out(*request);
            }
            // Doubted files are offered only once the requests around them are done, so that the
            // program's own sound for them is never held up by an opening that may be slow.
            if (!woken && !offers_.empty()) offer_next();
        }
    }

  private:
    void carry_out(Request& request) {
        using Check = SoundOwners::Mp3Check;
        switch (request.kind) {
            case Request::Kind::mp3:
                take_steps(owners_.play_mp3(request.owner, Check::accepted), request.owner);
                open_mp3(request.owner, request.path);
                break;
            case Request::Kind::offer:
                take_steps(owners_.play_mp3(request.owner, Check::doubted), request.owner);
                offers_[request.owner] = request.path;
                break;
            case Request::Kind::wav:
                take_steps(owners_.play_wav(request.owner, std::move(request.wav), request.repeat),
                           request.owner);
                break;
            case Request::Kind::fallback:
                owners_.set_fallback(std::move(request.wav));
                break;
            case Request::Kind::stop: {
                SoundReport stopped{SoundReport::What::stopped, request.owner};
                stopped.ended_mp3 = open_.count(request.owner) != 0;
                stopped.ended_wav = owners_.sounding_wav() == request.owner;
                offers_.erase(request.owner);
                take_steps(owners_.stop(request.owner), request.owner);
                shared_->report(stopped);
                break;
            }
            case Request::Kind::end:
                silence();
                break;
        }
    }

    void offer_next() {
        auto first = offers_.begin();
        const SoundOwner owner = first->first;
        const std::wstring path = std::move(first->second);
        offers_.erase(first);
        if (owners_.wants_mp3(owner) && owners_.mp3_doubted(owner)) open_mp3(owner, path);
    }

    void open_mp3(SoundOwner owner, const std::wstring& path) {
        const bool offered = owners_.mp3_doubted(owner);
        const std::wstring alias = mp3_alias(owner);
        MCIERROR error = mci(L"open \"" + path + L"\" type mpegvideo alias " + alias);
        if (error == 0) {
            open_.insert(owner);
            // A file that also holds pictures (a video named .mp3, which an offered file may be)
            // would show them in a window of its own: a ringtone is heard, never seen. A sound
            // alone has no window, and the device then refuses this, which is fine.
            mci(L"window " + alias + L" state hide");
            // A stop or a newer ringtone came while the device was opening: this one never sounds.
            if (shared_->superseded(owner)) {
                close_mp3(owner);
                shared_->report({SoundReport::What::mp3_cancelled, owner, 0, offered});
                return;
            }
            error = mci(L"play " + alias);
            if (error == 0) {
                shared_->report({SoundReport::What::mp3_playing, owner, 0, offered});
                take_steps(owners_.mp3_playing(owner), owner);
                return;
            }
            close_mp3(owner);
        }
        if (shared_->superseded(owner)) {
            shared_->report({SoundReport::What::mp3_cancelled, owner, error, offered});
            return;
        }
        shared_->report({offered ? SoundReport::What::mp3_refused : SoundReport::What::mp3_failed, owner,
                         error, offered});
        take_steps(owners_.mp3_failed(owner), owner);
    }

    void take_steps(const SoundSteps& steps, SoundOwner asking) {
        for (const SoundStep& step : steps) {
            switch (step.kind) {
                case SoundStep::Kind::close_mp3:
                    close_mp3(step.owner);
                    break;
                case SoundStep::Kind::start_wav:
                    start_wav(step.owner, step.owner != asking);
                    break;
                case SoundStep::Kind::stop_wav:
                    stop_wav();
                    break;
            }
        }
    }

    void start_wav(SoundOwner owner, bool resumed) {
        stop_wav();
        // Kept until the next sound: PlaySound reads it while it plays.
        playing_wav_ = owners_.wav_of(owner);
        if (!playing_wav_) return;
        SoundReport report{SoundReport::What::wav_started, owner};
        report.resumed = resumed;
        const DWORD flags =
            SND_MEMORY | SND_ASYNC | SND_NODEFAULT | (owners_.wav_repeats(owner) ? SND_LOOP : 0);
        if (!PlaySoundW(reinterpret_cast<LPCWSTR>(playing_wav_->data()), nullptr, flags)) {
            report.what = SoundReport::What::wav_failed;
            report.error = GetLastError();
        }
        shared_->report(report);
    }

    void stop_wav() {
        PlaySoundW(nullptr, nullptr, 0);
        playing_wav_.reset();
    }

    void silence() {
        stop_wav();
        while (!open_.empty()) close_mp3(*open_.begin());
    }

    void close_mp3(SoundOwner owner) {
        if (open_.erase(owner) == 0) return;
        mci(L"close " + mp3_alias(owner));
    }

    std::shared_ptr<SoundPlayerShared> shared_;
    SoundOwners owners_;
    std::set<SoundOwner> open_;                  // owners whose MCI device is open
    std::map<SoundOwner, std::wstring> offers_;  // doubted files not yet offered to MCI
    SoundBytes playing_wav_;
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
    Request request;
    request.kind = Request::Kind::fallback;
    request.wav = std::make_shared<const std::vector<std::uint8_t>>(std::move(wav));
    shared_->push(std::move(request));
}

bool SoundPlayer::play_mp3(SoundOwner owner, const std::wstring& path) {
    if (!thread_) return false;
    const Mp3FileCheck check = check_mp3_file_within(path, kMp3CheckWaitMs);
    if (check == Mp3FileCheck::unreadable) return false;
    Request request;
    request.kind = check == Mp3FileCheck::looks_like_mp3 ? Request::Kind::mp3 : Request::Kind::offer;
    request.owner = owner;
    request.path = path;
    shared_->push(std::move(request));
    return check == Mp3FileCheck::looks_like_mp3;
}

void SoundPlayer::play_wav(SoundOwner owner, std::span<const std::uint8_t> wav, bool repeat) {
    if (!thread_) return;
    Request request;
    request.kind = Request::Kind::wav;
    request.owner = owner;
    request.wav = std::make_shared<const std::vector<std::uint8_t>>(wav.begin(), wav.end());
    request.repeat = repeat;
    shared_->push(std::move(request));
}

void SoundPlayer::stop(SoundOwner owner) {
    if (!thread_) return;
    Request request;
    request.kind = Request::Kind::stop;
    request.owner = owner;
    shared_->push(std::move(request));
}

void SoundPlayer::end() {
    if (!thread_) return;
    Request request;
    request.kind = Request::Kind::end;
    shared_->push(std::move(request));
    WaitForSingleObject(thread_.get(), kEndWaitMs);
    thread_.reset();
}

std::vector<SoundReport> SoundPlayer::take_reports() {
    LockGuard guard(shared_->lock);
    return std::exchange(shared_->reports, {});
}

}  // namespace tockly::host::win32
