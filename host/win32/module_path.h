// The full path of a loaded module's file, however long: null names the process's executable.
#pragma once

#include <windows.h>

#include <string>

namespace tockly::host::win32 {

inline std::wstring module_path(HMODULE module = nullptr) {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);  // cut short: try again with room to spare
    }
    return {};
}

}  // namespace tockly::host::win32
