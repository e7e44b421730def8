// The system's open-file dialog and message boxes.
// clang-format off
#include <windows.h>  // first: the others build on it
#include <commdlg.h>
// clang-format on

#include <cwchar>

#include "host/core/wide_text_win32.h"
#include "host/win32/dialog_filter.h"
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

std::optional<std::string> Win32WindowSystem::run_file_dialog(WindowInstance& window, UnitState& dialog) {
    WindowData* data = data_of(window);
    const UnitDesign& design = *dialog.design;
    const std::wstring filter = wide_from_gbk(dialog_filter(design.filter));
    const std::wstring folder = wide_from_gbk(design.initial_dir);
    const std::wstring extension = wide_from_gbk(default_extension(design.default_ext));
    std::wstring file(32768, L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = data != nullptr ? data->hwnd.get() : nullptr;
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    // The program's folder stays its current folder whatever the user browses to.
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&ofn)) {
        if (const DWORD error = CommDlgExtendedError())
            host_error("file dialog failed: " + std::to_string(error));
        return std::nullopt;
    }
    file.resize(wcsnlen(file.c_str(), file.size()));
    auto path = gbk_from_wide(file);
    if (!path) {
        // A name Tockly cannot keep would be stored wrong and never found again.
        MessageBoxW(ofn.hwndOwner, L"所选文件的路径中有简体中文字符集以外的字符，请选择其他文件。", L"Tockly",
                    MB_OK | MB_ICONWARNING);
        return std::nullopt;
    }
    return path;
}

void Win32WindowSystem::message_box(std::string_view text, std::uint32_t buttons) {
    HWND owner = GetActiveWindow();
    if (owner == nullptr) owner = start_window_handle();
    MessageBoxW(owner, wide_from_gbk(text).c_str(), L"Tockly", (buttons & 0x0F) | MB_ICONINFORMATION);
}

}  // namespace tockly::host::win32
