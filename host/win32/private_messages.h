// The identifiers the host gives its controls, and the messages it sends itself.
#pragma once

#include <windows.h>

namespace tockly::host::win32 {

// Control identifiers: this plus the unit's index in its window (clear of IDOK and IDCANCEL).
inline constexpr int kFirstControlId = 100;

// To the hidden window. A click on the notification-area icon.
inline constexpr UINT kTrayMessage = WM_APP + 1;
// A menu item was chosen (delivered once the handler that popped the menu has ended).
inline constexpr UINT kMenuChosenMessage = WM_APP + 2;
// From the sound thread: reports are waiting (see SoundPlayer::take_reports).
inline constexpr UINT kSoundMessage = WM_APP + 3;
// From the writer thread: the outcome of a save (wparam, a ReplaceOutcome); lparam owns the path
// (a std::string made with new).
inline constexpr UINT kSaveOutcomeMessage = WM_APP + 4;

// The one notification-area icon's identifier.
inline constexpr UINT kTrayIconId = 1;

}  // namespace tockly::host::win32
