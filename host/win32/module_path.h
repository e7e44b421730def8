// Loaded modules: the one holding this code, and the full path of a module's file.
#pragma once

#include <windows.h>

#include <string>

namespace tockly::host::win32 {

// The module holding this code (the DLL when linked into it).
inline HINSTANCE module_instance() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&module_instance), &module);
    return module;
}

// The full path of a loaded module's file, however long: null names the process's executable.
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
