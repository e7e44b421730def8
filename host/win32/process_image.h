// The full path of the program file that another process runs.
#pragma once

#include <windows.h>

#include <string>

namespace tockly::host::win32 {

// Empty when it cannot be read. Vista and later name it to a caller with the least rights
// (QueryFullProcessImageNameW); on older Windows it is read from the process's module list.
std::wstring process_image_path(DWORD pid);
// The older way alone, which needs the rights to read the other process's memory; what
// process_image_path does where the newer call is missing.
std::wstring process_image_path_from_module_list(DWORD pid);

}  // namespace tockly::host::win32
