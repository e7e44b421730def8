// The program's one icon in the notification area: the icon handle, its tip and its registration
// with the shell, owned together so that the icon is never left behind and never shown twice.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "host/win32/scoped_resources.h"

namespace tockly::host::win32 {

class TrayIcon {
  public:
    // Clicks on the icon come to `owner` as `callback_message`. Problems are told to `on_error`.
    TrayIcon(HWND owner, UINT callback_message, std::function<void(std::string_view)> on_error);
    ~TrayIcon() { remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Shows `icon` (the bytes of an icon file; the system's own icon when they cannot be read:
    // without one the hidden window could never be brought back) with `tip`, in place of any
    // shown before.
    void show(std::span<const std::uint8_t> icon, std::string_view tip);
    // Takes the icon away; nothing when none is shown.
    void remove();
    bool shown() const { return shown_; }
    // Whether `message` says the shell started again; the icon, if shown, is then added anew
    // (it went with the old shell).
    bool shell_restarted(UINT message);

  private:
    void add(bool again);

    HWND owner_;
    UINT callback_message_;
    UINT taskbar_created_;
    std::function<void(std::string_view)> on_error_;
    ScopedIcon icon_;
    std::wstring tip_;
    bool shown_ = false;
};

}  // namespace tockly::host::win32
