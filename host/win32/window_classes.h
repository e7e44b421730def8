// The host's two window classes: Tockly's windows, and the hidden window that receives timers,
// tray notifications and deferred work. Each window finds its owner from its own handle: a
// Tockly window its WindowData, the hidden window the window system, both given at creation.
#pragma once

#include <windows.h>

namespace tockly::host::win32 {

inline constexpr wchar_t kWindowClass[] = L"TocklyWindow";
inline constexpr wchar_t kHostClass[] = L"TocklyHost";
// The icon group the launcher carries.
inline constexpr int kProgramIconId = 129;

void register_window_classes(HINSTANCE instance);
void unregister_window_classes(HINSTANCE instance);

}  // namespace tockly::host::win32
