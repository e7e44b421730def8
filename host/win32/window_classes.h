// The host's two window classes (Tockly's windows, and the hidden window that receives timers,
// tray notifications and deferred work), the identifiers of controls and private messages.
#pragma once

#include <windows.h>

#include <string>

namespace tockly::host::win32 {

class Win32WindowSystem;

inline constexpr wchar_t kWindowClass[] = L"TocklyWindow";
inline constexpr wchar_t kHostClass[] = L"TocklyHost";
// Control identifiers: this plus the unit's index in its window (clear of IDOK and IDCANCEL).
inline constexpr int kFirstControlId = 100;
inline constexpr UINT kTrayMessage = WM_APP + 1;
inline constexpr UINT kMenuChosenMessage = WM_APP + 2;
// From the sound thread: reports are waiting (see SoundPlayer::take_reports).
inline constexpr UINT kSoundMessage = WM_APP + 3;
// From the writer thread: a save was made (wparam 1) or failed (0); lparam owns the path
// (a std::string made with new).
inline constexpr UINT kSaveOutcomeMessage = WM_APP + 4;
inline constexpr UINT kTrayIconId = 1;
// The icon group the launcher carries.
inline constexpr int kProgramIconId = 129;

// A control's text as GBK (characters GBK cannot hold become '?').
std::string control_text(HWND hwnd);
// The module holding this code (the DLL when linked into it).
HINSTANCE module_instance();
void register_window_classes(Win32WindowSystem& system, HINSTANCE instance);
void unregister_window_classes(HINSTANCE instance);
// Ends the process after an error that must not go on (an exception reached the message loop).
[[noreturn]] void end_after_internal_error(const char* what);

}  // namespace tockly::host::win32
