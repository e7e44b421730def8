#include "host/win32/process_image.h"

// clang-format off
#include <windows.h>  // first: psapi.h builds on it
#include <psapi.h>
// clang-format on

#include "host/win32/scoped_resources.h"
#include "host/win32/system_function.h"

namespace tockly::host::win32 {

namespace {

// Longest path Windows knows, in UTF-16 units.
constexpr DWORD kLongestPath = 32768;

}  // namespace

std::wstring process_image_path_from_module_list(DWORD pid) {
    const ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) return {};
    std::wstring path(kLongestPath, L'\0');
    const DWORD size = GetModuleFileNameExW(process.get(), nullptr, path.data(), kLongestPath);
    path.resize(size < kLongestPath ? size : 0);  // a path cut short is no path
    return path;
}

std::wstring process_image_path(DWORD pid) {
    using QueryFullProcessImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    static const auto query_full_name =
        system_function<QueryFullProcessImageNameFn>(L"kernel32.dll", "QueryFullProcessImageNameW");
    if (query_full_name == nullptr) return process_image_path_from_module_list(pid);
    const ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return {};
    std::wstring path(kLongestPath, L'\0');
    DWORD size = kLongestPath;
    if (!query_full_name(process.get(), 0, path.data(), &size)) size = 0;
    path.resize(size);
    return path;
}

}  // namespace tockly::host::win32
