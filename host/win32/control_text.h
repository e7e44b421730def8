// What a control shows, read back from it.
#pragma once

#include <windows.h>

#include <string>

namespace tockly::host::win32 {

// A control's text as GBK (characters GBK cannot hold become '?').
std::string control_text(HWND hwnd);

}  // namespace tockly::host::win32
