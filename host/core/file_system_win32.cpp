#include "host/core/file_system_win32.h"

#include <windows.h>

#include <atomic>
#include <string>

#include "host/core/scoped_handle_win32.h"
#include "host/core/temporary_file_name.h"
#include "host/core/wide_text_win32.h"

namespace tockly::host {

namespace {

// Larger files are not ours: reading them whole would only exhaust memory.
constexpr std::uint64_t kLargestFile = 256u * 1024u * 1024u;

bool write_all(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > (1u << 20) ? (1u << 20) : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

std::wstring temporary_name(const std::wstring& path) {
    static std::atomic<std::uint32_t> counter{0};
    return temporary_file_name<wchar_t>(path, GetCurrentProcessId(), counter++);
}

// Whether process `pid` still runs (or cannot be asked, which counts as running).
bool process_running(DWORD pid) {
    const ScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!process) return GetLastError() != ERROR_INVALID_PARAMETER;
    return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

// A file that no wait will make replaceable: marked read-only by the user, or a folder.
bool kept_by_user(const std::wstring& name) {
    const DWORD attributes = GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

// Whether `error` says another program holds the file in a way that forbids what we asked.
bool held_by_another(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Whether a step that failed with `error` may succeed a moment later: the file (or the temporary
// file's folder) held by another program. Windows also answers access denied for a file that
// another program holds in certain ways (opened to be deleted, say); a read-only file or a folder
// in its place answers the same, and those are failures at once.
ReplaceOutcome failure_outcome(DWORD error, const std::wstring& name) {
    const bool held = held_by_another(error) || (error == ERROR_ACCESS_DENIED && !kept_by_user(name));
    return held ? ReplaceOutcome::busy : ReplaceOutcome::failed;
}

}  // namespace

void WindowsFileSystem::read_file(const std::string& path, FileRead& out) {
    out.status = FileRead::Status::missing;
    const std::wstring name = wide_from_gbk(path);
    if (name.empty()) {
        out.bytes.clear();
        return;
    }
    const ScopedHandle file(CreateFileW(name.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (held_by_another(error)) {
            out.status = FileRead::Status::busy;  // the bytes stay: a caller may know them already
            return;
        }
        out.status = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                         ? FileRead::Status::missing
                         : FileRead::Status::failed;
        out.bytes.clear();
        return;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > kLargestFile) {
        out.status = FileRead::Status::failed;
        out.bytes.clear();
        return;
    }
    std::string& bytes = out.bytes;  // its buffer is reused, its old bytes overwritten
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t have = 0;
    while (have < bytes.size()) {
        DWORD got = 0;
        const DWORD want =
            static_cast<DWORD>(bytes.size() - have > (1u << 20) ? (1u << 20) : bytes.size() - have);
        if (!ReadFile(file.get(), bytes.data() + have, want, &got, nullptr)) {
            out.status = FileRead::Status::failed;
            bytes.clear();
            return;
        }
        if (got == 0) break;  // the file shrank while we read it
        have += got;
    }
    bytes.resize(have);
    out.status = FileRead::Status::ok;
}

bool WindowsFileSystem::replace_file(const std::string& path, std::span<const std::string_view> pieces) {
    return try_replace_file(path, pieces) == ReplaceOutcome::stored;
}

ReplaceOutcome WindowsFileSystem::try_replace_file(const std::string& path,
                                                   std::span<const std::string_view> pieces) {
    const std::wstring name = wide_from_gbk(path);
    if (name.empty()) return ReplaceOutcome::failed;
    // A file the user marked read-only is theirs to keep (the move over it would fail anyway).
    if (kept_by_user(name)) return ReplaceOutcome::failed;
    const std::wstring temp = temporary_name(name);
    {
        ScopedHandle file(
            CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return failure_outcome(GetLastError(), name);
        bool written = true;
        for (std::string_view piece : pieces) written = written && write_all(file.get(), piece);
        written = written && FlushFileBuffers(file.get()) != 0;
        // Closed here rather than by the owner: a close that fails may be a write that failed.
        const bool closed = CloseHandle(file.release()) != 0;
        if (!closed || !written) {
            DeleteFileW(temp.c_str());
            return ReplaceOutcome::failed;
        }
    }
    if (!MoveFileExW(temp.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(temp.c_str());
        return failure_outcome(error, name);
    }
    return ReplaceOutcome::stored;
}

void WindowsFileSystem::remove_stale_temporaries(const std::string& path) {
    const std::wstring name = wide_from_gbk(path);
    if (name.empty()) return;
    const std::size_t slash = name.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : name.substr(0, slash + 1);
    const std::wstring file = slash == std::wstring::npos ? name : name.substr(slash + 1);
    WIN32_FIND_DATAW found{};
    const ScopedFind search(FindFirstFileW((name + L".tmp-*").c_str(), &found));
    if (!search) return;
    do {
        const auto owner = temporary_file_owner<wchar_t>(found.cFileName, file);
        if (!owner || *owner == GetCurrentProcessId() || process_running(*owner)) continue;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
        // A file still open for writing refuses to be deleted (it is opened without sharing).
        DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search.get(), &found));
}

}  // namespace tockly::host
