#include "host/win32/internal_error_guard.h"

#include <windows.h>

#include <string>

#include "host/core/wide_text_win32.h"

namespace tockly::host::win32 {

void end_after_internal_error(const char* what) {
    const std::wstring text = L"Tockly 遇到内部错误，即将结束。\n" + wide_from_gbk(what);
    MessageBoxW(nullptr, text.c_str(), L"Tockly", MB_OK | MB_ICONERROR);
    ExitProcess(3);
}

}  // namespace tockly::host::win32
