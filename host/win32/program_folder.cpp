// The folder the program runs from, as a GBK path.
#include "host/core/wide_text_win32.h"
#include "host/win32/module_path.h"
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

std::string Win32WindowSystem::program_directory() {
    std::wstring path = module_path();
    const std::size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash);
    if (auto gbk = gbk_from_wide(path)) return *gbk;
    // A folder name GBK cannot hold: its short form is plain ASCII and names the same folder.
    std::wstring short_path(32768, L'\0');
    const DWORD n = GetShortPathNameW(path.c_str(), short_path.data(), static_cast<DWORD>(short_path.size()));
    if (n > 0 && n < short_path.size()) {
        short_path.resize(n);
        if (auto gbk = gbk_from_wide(short_path)) return *gbk;
    }
    host_error("the program's folder cannot be named in GBK");
    return gbk_from_wide_lossy(path);
}

}  // namespace tockly::host::win32
