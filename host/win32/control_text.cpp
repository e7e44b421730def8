#include "host/win32/control_text.h"

#include "host/core/wide_text_win32.h"

namespace tockly::host::win32 {

std::string control_text(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return gbk_from_wide_lossy(text);
}

}  // namespace tockly::host::win32
