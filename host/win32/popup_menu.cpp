// A pop-up menu of a window's menu items at the mouse; the choice is delivered once the handler
// that popped it has ended.
#include "host/core/wide_text_win32.h"
#include "host/win32/private_messages.h"
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

void Win32WindowSystem::pop_up_menu(WindowInstance& window, UnitState& menu) {
    WindowData* data = data_of(window);
    if (data == nullptr || !data->hwnd) return;
    HWND hwnd = data->hwnd.get();
    const std::vector<UnitState*> items = window.menu_items(menu.id());
    const ScopedMenu popup(CreatePopupMenu());
    if (!popup) return;
    for (std::size_t i = 0; i < items.size(); ++i) {
        AppendMenuW(popup.get(), MF_STRING, i + 1, wide_from_gbk(items[i]->text).c_str());
    }
    POINT at;
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if its window is in front.
    SetForegroundWindow(hwnd);
    const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(
        popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, hwnd, nullptr));
    PostMessageW(hwnd, WM_NULL, 0, 0);
    if (chosen >= 1 && chosen <= items.size()) {
        chosen_menu_item_ = items[chosen - 1]->id();
        PostMessageW(host_window_.get(), kMenuChosenMessage, 0, 0);
    }
}

}  // namespace tockly::host::win32
