// The Windows host under the contract suite: the contract program's windows are real windows with
// real controls, its timers are system timers on this thread's message loop, and time passes as
// real time while messages are pumped. The program directory is the folder of this executable,
// so the test is run from a folder of its own (see run_contract_test.sh); its data.ini there is
// scratch and removed around every case.
#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/core/clock_win32.h"
#include "host/core/file_system_win32.h"
#include "host/core/image_loader.h"
#include "host/core/ini_store.h"
#include "host/core/runtime.h"
#include "host/core/second_ticks.h"
#include "host/core/text_memory.h"
#include "host/core/wide_text_win32.h"
#include "host/win32/window_system.h"
#include "tests/host_contract/contract_host.h"
#include "tests/host_contract/contract_program.h"
#include "tests/host_contract_win32/message_pump.h"

namespace tockly::contract {

namespace {

using host::win32::Win32WindowSystem;

// The longest a click may take to come back from the display server as messages.
constexpr std::int64_t kInputArrivalMs = 5000;
// The longest a second's tick may come after its boundary on a slow (emulated, busy) machine.
constexpr std::int64_t kLateTickMs = 10000;

// The folder of this executable, as the host names it to the program.
std::wstring own_folder() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(n);
    const std::size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash);
    return path;
}

class Win32ContractHost final : public ContractHost {
  public:
    Win32ContractHost()
        : folder_(own_folder()),
          bytes_(make_image()),
          loaded_(host::load_image(bytes_, handler_table(), image::stand_in_bases)) {
        if (!loaded_) throw std::runtime_error("the contract image is refused: " + loaded_.error().message());
        remove_data_file();
        reset_program();
        windows_ = std::make_unique<Win32WindowSystem>(clock_, nullptr);
        runtime_ = std::make_unique<host::Runtime>(loaded_.value().design, handler_table(),
                                                   loaded_.value().start, *windows_, clock_, memory_, ini_);
        windows_->attach(*runtime_);
    }
    ~Win32ContractHost() override {
        // The window system goes first: its windows still find the runtime while they close.
        windows_.reset();
        runtime_.reset();
        // Whatever the closed windows left queued (timers, deferred work) is dropped here, not
        // delivered to the next case.
        drain_messages();
        remove_data_file();
        for (const std::wstring& file : put_files_) DeleteFileW(file.c_str());
        reset_program();
    }

    void start() override {
        runtime_->start();
        // The start-up window is on the screen before the first case acts on it.
        drain_messages();
        covered_ms_ = clock_.now_local_ms();
        let_in_ticks_until(covered_ms_);
    }
    host::Host& host() override { return *runtime_; }

    // Real time passes as it does for the user. The spans a case advances are laid end to end
    // from the start, so each second boundary falls in exactly one of them whatever the case did
    // in between; and a span ends only once the ticks of the boundaries in it have come, however
    // late a slow machine delivers them. A case then counts boundaries, not how soon after its
    // boundary a tick arrived.
    void advance_ms(std::int64_t ms) override {
        covered_ms_ += ms;
        const std::int64_t end = covered_ms_;
        pump_messages_until([&] { return clock_.now_local_ms() >= end; }, ms + kLateTickMs);
        let_in_ticks_until(end);
    }

    void right_click(std::uint32_t window_id) override {
        HWND hwnd = hwnd_of(window_id);
        if (hwnd == nullptr) return;
        // Real mouse input in the middle of the window: it reaches the window as the user's click
        // would, through whatever covers that point (a label lets it pass to its window).
        RECT r{};
        GetWindowRect(hwnd, &r);
        const int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
        INPUT inputs[3]{};
        for (INPUT& in : inputs) in.type = INPUT_MOUSE;
        inputs[0].mi.dx = MulDiv((r.left + r.right) / 2, 65535, screen_w - 1);
        inputs[0].mi.dy = MulDiv((r.top + r.bottom) / 2, 65535, screen_h - 1);
        inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
        inputs[2].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
        SendInput(3, inputs, sizeof(INPUT));
        // Input comes back through the display server. The clock stands still meanwhile: no
        // timer message is handled, so nothing but the click's own events run.
        dispatch_until(WM_RBUTTONDOWN, kInputArrivalMs);
    }

    bool is_open(std::uint32_t window_id) override {
        HWND hwnd = hwnd_of(window_id);
        if (hwnd != nullptr) return IsWindow(hwnd) && IsWindowVisible(hwnd);
        // The program has no opening of it: a real window of an earlier opening that is still
        // there would be one the host forgot to destroy.
        const auto& seen = seen_[window_id];
        return std::any_of(seen.begin(), seen.end(), [](HWND w) { return IsWindow(w) != FALSE; });
    }

    std::uint64_t live_blocks() override { return memory_.live_blocks(); }
    std::uint64_t bad_releases() override { return memory_.problems().size(); }
    std::string program_directory() override {
        auto gbk = host::gbk_from_wide(folder_);
        return gbk ? *gbk : std::string();
    }
    void put_program_file(const std::string& name, const std::string& bytes) override {
        const std::wstring path = folder_ + L"\\" + host::wide_from_gbk(name);
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot make " + name);
        DWORD written = 0;
        const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                        written == bytes.size();
        CloseHandle(file);
        put_files_.push_back(path);
        if (!ok) throw std::runtime_error("cannot write " + name);
    }

  private:
    // Dispatches messages until the main window's second timer has handled the second that
    // `ms` falls in (at once when it has, or when the timer is not running).
    void let_in_ticks_until(std::int64_t ms) {
        const std::int64_t second = host::second_of_ms(ms);
        pump_messages_until(
            [&] {
                host::WindowInstance* w = runtime_->newest(kTimer.window);
                host::UnitState* timer = w != nullptr ? w->find(kTimer.id) : nullptr;
                return timer == nullptr || timer->period_ms != host::kSecondTimerPeriod ||
                       (timer->last_tick_second != host::kNoSecond && timer->last_tick_second >= second);
            },
            kLateTickMs);
    }

    // The real window of the newest opening of `window_id`, remembered for is_open.
    HWND hwnd_of(std::uint32_t window_id) {
        host::WindowInstance* w = runtime_->newest(window_id);
        if (w == nullptr || w->system_data == nullptr) return nullptr;
        HWND hwnd = static_cast<Win32WindowSystem::WindowData*>(w->system_data)->hwnd.get();
        auto& seen = seen_[window_id];
        if (std::find(seen.begin(), seen.end(), hwnd) == seen.end()) seen.push_back(hwnd);
        return hwnd;
    }

    void remove_data_file() { DeleteFileW((folder_ + L"\\data.ini").c_str()); }

    std::wstring folder_;
    std::vector<std::wstring> put_files_;
    host::WindowsClock clock_;
    host::WindowsFileSystem files_;
    host::IniStore ini_{files_};
    host::CountingAllocator memory_;
    std::vector<std::uint8_t> bytes_;
    image::Result<host::LoadedImage> loaded_;
    std::unique_ptr<Win32WindowSystem> windows_;
    std::unique_ptr<host::Runtime> runtime_;
    std::map<std::uint32_t, std::vector<HWND>> seen_;
    std::int64_t covered_ms_ = 0;  // the clock's time up to which the case has advanced
};

}  // namespace

std::unique_ptr<ContractHost> make_contract_host() {
    return std::make_unique<Win32ContractHost>();
}

}  // namespace tockly::contract
