// Finding windows of other processes and describing them as JSON lines.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace tockly::driver {

// How long one message to another process may take before the driver gives up on its answer.
inline constexpr UINT kMessageTimeoutMs = 5000;

// Top-level windows in Z order, then message-only windows.
std::vector<HWND> top_level_windows();
// Every descendant of `window`, depth first, each level in Z order (topmost first).
std::vector<HWND> descendants(HWND window);

std::wstring class_name(HWND window);
// A top-level window's title, read without a message: a window whose program is busy or starting
// cannot hold up a search.
std::wstring title(HWND window);
// The text as the window's own procedure answers WM_GETTEXT (so an edit box gives its content).
std::wstring window_text(HWND window);

// {"hwnd", "class", "title", "pid", "x", "y", "w", "h" (outer, on the screen), "client_w",
//  "client_h", "visible", "enabled", "minimized", "topmost", "owner"}
std::string describe_top_level(HWND window);
// {"hwnd", "parent", "class", "id", "text", "x", "y", "w", "h" (in the client area of `top`),
//  "visible" (shown on screen), "own_visible" (its own WS_VISIBLE), "enabled", "style",
//  "checked" (buttons), "items", "item_lengths" and "selected" (list and combo boxes), "top" (list boxes: the
//  first row in view), "focused"}.
// Items longer than `longest_item` UTF-16 units have a null text.
std::string describe_child(HWND top, HWND child, std::size_t longest_item);

std::string hwnd_text(HWND window);
HWND parse_hwnd(const std::string& text);

}  // namespace tockly::driver
