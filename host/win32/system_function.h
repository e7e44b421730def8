// A function that later Windows versions export and older ones lack, looked up at run time in a
// module the process has loaded already: null where the running Windows does not have it, so that
// the caller takes its fallback (a direct import would keep Tockly from loading at all there).
#pragma once

#include <windows.h>

namespace tockly::host::win32 {

template <class Function>
Function system_function(const wchar_t* module, const char* name) {
    HMODULE handle = GetModuleHandleW(module);
    if (handle == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(handle, name)));
}

}  // namespace tockly::host::win32
