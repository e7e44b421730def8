// The message loop the program runs in (nested while a modal window is open).
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

void Win32WindowSystem::run_loop(const std::function<bool()>& done) {
    while (!done()) {
        MSG msg;
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // outer loops end too
            return;
        }
        if (got == -1) return;
        // Tab and arrow keys move between the controls of our windows.
        HWND top = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        bool ours = false;
        for (const auto& [serial, data] : windows_)
            ours = ours || (top != nullptr && data->hwnd.get() == top);
        if (ours && IsDialogMessageW(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace tockly::host::win32
