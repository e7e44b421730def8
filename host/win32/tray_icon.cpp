#include "host/win32/tray_icon.h"

#include <shellapi.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "host/core/wide_text_win32.h"
#include "host/win32/icon_file.h"
#include "host/win32/private_messages.h"

namespace tockly::host::win32 {

namespace {

// XP's shell knows the structure up to its item GUID (a size every later shell still takes); the
// balloon icon that Vista added would make XP refuse the call.
static_assert(sizeof(NOTIFYICONDATAW) == offsetof(NOTIFYICONDATAW, guidItem) + sizeof(GUID),
              "the notification-area structure must have the size Windows XP knows");

NOTIFYICONDATAW icon_data(HWND owner) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = owner;
    nid.uID = kTrayIconId;
    return nid;
}

}  // namespace

TrayIcon::TrayIcon(HWND owner, UINT callback_message, std::function<void(std::string_view)> on_error)
    : owner_(owner),
      callback_message_(callback_message),
      taskbar_created_(RegisterWindowMessageW(L"TaskbarCreated")),
      on_error_(std::move(on_error)) {}

void TrayIcon::show(std::span<const std::uint8_t> icon, std::string_view tip) {
    HICON made = nullptr;
    auto images = read_icon_file(icon);
    if (images) {
        const int size = GetSystemMetrics(SM_CXSMICON);
        const IconImage& image = pick_icon_image(images.value(), static_cast<std::uint32_t>(size));
        std::vector<BYTE> bytes(image.bytes.begin(), image.bytes.end());
        made = CreateIconFromResourceEx(bytes.data(), static_cast<DWORD>(bytes.size()), TRUE, 0x00030000,
                                        size, size, LR_DEFAULTCOLOR);
    } else {
        on_error_("tray icon: " + images.error().message());
    }
    if (made == nullptr) made = CopyIcon(LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION)));
    icon_.reset(made);
    tip_ = wide_from_gbk(tip);
    add(false);
}

void TrayIcon::add(bool again) {
    NOTIFYICONDATAW nid = icon_data(owner_);
    nid.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    nid.uCallbackMessage = callback_message_;
    nid.hIcon = icon_.get();
    tip_.copy(nid.szTip, std::min<std::size_t>(tip_.size(), std::size(nid.szTip) - 1));
    // Setting the icon again replaces it: there is never more than one.
    if (shown_ && !again && Shell_NotifyIconW(NIM_MODIFY, &nid)) return;
    if (!Shell_NotifyIconW(NIM_ADD, &nid)) on_error_("the notification-area icon could not be added");
    shown_ = true;  // kept even on failure: a shell that starts later gets it
}

void TrayIcon::remove() {
    if (shown_) {
        NOTIFYICONDATAW nid = icon_data(owner_);
        Shell_NotifyIconW(NIM_DELETE, &nid);
        shown_ = false;
    }
    icon_.reset();
}

bool TrayIcon::shell_restarted(UINT message) {
    if (taskbar_created_ == 0 || message != taskbar_created_) return false;
    if (shown_) add(true);
    return true;
}

}  // namespace tockly::host::win32
