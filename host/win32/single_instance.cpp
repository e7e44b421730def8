#include "host/win32/single_instance.h"

// clang-format off
#include <windows.h>  // first: the others build on it
#include <sddl.h>
// clang-format on

#include <cstdint>
#include <string>
#include <vector>

#include "host/core/wide_text_win32.h"
#include "host/win32/module_path.h"
#include "host/win32/process_image.h"
#include "host/win32/scoped_resources.h"
#include "host/win32/trace.h"
#include "host/win32/window_classes.h"
#include "image/hex_text.h"

namespace tockly::host::win32 {

namespace {

// How long a second start looks for the first copy's answer: the first may still be starting (the
// mutex comes before its window), and a slow machine starts slowly. A copy that hangs or a
// program merely holding the name is given up on after this.
constexpr DWORD kSearchMs = 15000;
constexpr DWORD kSearchStepMs = 200;
// How long one copy may take to answer the request.
constexpr UINT kAnswerMs = 5000;

std::wstring folder_of(const std::wstring& file) {
    const std::size_t slash = file.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : file.substr(0, slash);
}

// Upper-case digits without the "0x".
std::wstring hex(std::uint64_t value, int digits) {
    const std::string text = image::hex(value, digits);
    return std::wstring(text.begin() + 2, text.end());
}

// The folder as the file system knows it: its volume's serial number and its file index, the same
// for every spelling of the path (case, short names, another drive letter for the same volume).
// Where the file system keeps no index, a hash of the full, long, upper-cased path stands in.
std::wstring folder_identity(const std::wstring& folder) {
    if (folder.empty()) return {};
    const ScopedHandle handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (handle) {
        BY_HANDLE_FILE_INFORMATION info{};
        const BOOL got = GetFileInformationByHandle(handle.get(), &info);
        const std::uint64_t index =
            (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        if (got && index != 0) return hex(info.dwVolumeSerialNumber, 8) + L"-" + hex(index, 16);
    }
    std::wstring full(32768, L'\0');
    DWORD n = GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size()) return {};
    full.resize(n);
    std::wstring long_path(32768, L'\0');
    n = GetLongPathNameW(full.c_str(), long_path.data(), static_cast<DWORD>(long_path.size()));
    if (n != 0 && n < long_path.size()) full.assign(long_path.data(), n);
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a over the UTF-16 units
    for (wchar_t c : full) {
        hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    }
    return L"P" + hex(hash, 16);
}

std::wstring user_sid() {
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
    const ScopedHandle owned(opened);
    HANDLE token = owned.get();
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<std::uint8_t> buffer(size);
    std::wstring out;
    if (size != 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
        LPWSTR text = nullptr;
        if (ConvertSidToStringSidW(user->User.Sid, &text)) {
            out = text;
            LocalFree(text);
        }
    }
    return out;
}

// The folder identity of the image a process runs, or empty.
std::wstring process_folder_identity(DWORD pid) {
    const std::wstring path = process_image_path(pid);
    return path.empty() ? std::wstring() : folder_identity(folder_of(path));
}

struct Search {
    std::wstring folder;
    std::vector<std::pair<HWND, DWORD>> candidates;  // host windows of our folder's copies
};

BOOL CALLBACK consider_window(HWND hwnd, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    wchar_t name[64];
    if (GetClassNameW(hwnd, name, static_cast<int>(std::size(name))) == 0 || lstrcmpW(name, kHostClass) != 0)
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == 0 || pid == GetCurrentProcessId()) return TRUE;
    if (process_folder_identity(pid) == search.folder) search.candidates.emplace_back(hwnd, pid);
    return TRUE;
}

// Asks every running copy of this folder to bring its main window back; true when one answered.
bool ask_running_copy(const std::wstring& folder) {
    Search search{folder, {}};
    EnumWindows(consider_window, reinterpret_cast<LPARAM>(&search));
    for (const auto& [hwnd, pid] : search.candidates) {
        // The first copy may then bring its window to the front: this start came from the user.
        AllowSetForegroundWindow(pid);
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutW(hwnd, bring_back_message(), 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerMs,
                                &answer) != 0 &&
            static_cast<LRESULT>(answer) == kBringBackAnswer)
            return true;
    }
    return false;
}

void trace_claim(Trace* trace, const char* outcome, const std::wstring& name, DWORD waited_ms) {
    if (trace == nullptr) return;
    trace->write(trace->line("instance")
                     .text("outcome", outcome)
                     .text("name", utf8_from_wide(name))
                     .number("waited_ms", static_cast<std::int64_t>(waited_ms)));
}

}  // namespace

UINT bring_back_message() {
    static const UINT message = RegisterWindowMessageW(L"Tockly.BringBackMainWindow");
    return message;
}

InstanceClaim claim_program_folder(Trace* trace) {
    const std::wstring folder = folder_identity(folder_of(module_path(nullptr)));
    const std::wstring sid = user_sid();
    if (folder.empty()) {
        trace_claim(trace, "folder_unknown", {}, 0);
        return InstanceClaim::first;
    }
    // "Local\": the user's session. The SID keeps other users' names apart where sessions are
    // shared; the folder identity keeps copies in other folders apart.
    const std::wstring name =
        L"Local\\Tockly-" + (sid.empty() ? std::wstring(L"nosid") : sid) + L"-" + folder;
    ScopedHandle mutex(CreateMutexW(nullptr, FALSE, name.c_str()));
    const DWORD error = GetLastError();
    if (mutex && error != ERROR_ALREADY_EXISTS) {
        trace_claim(trace, "first", name, 0);
        mutex.release();  // held for the process's life: Windows lets it go when the process ends
        return InstanceClaim::first;
    }
    // Held already (or refused to us: a name someone else made): look for a copy that answers.
    // The difference of two tick counts stays right across the count's wrap after 49.7 days.
    const DWORD began = GetTickCount();
    for (;;) {
        if (ask_running_copy(folder)) {
            trace_claim(trace, "handed_over", name, GetTickCount() - began);
            return InstanceClaim::handed_over;
        }
        if (GetTickCount() - began >= kSearchMs) break;
        Sleep(static_cast<DWORD>(kSearchStepMs));
    }
    trace_claim(trace, "no_answer", name, GetTickCount() - began);
    return InstanceClaim::first;
}

}  // namespace tockly::host::win32
