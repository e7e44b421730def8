// A small window program shaped like Tockly's main window, to test the driver on its own: a label,
// a button that adds a list row, a drop-down combo box whose choice shows in the label, an edit
// box, a group box holding a check box, a System menu on the right mouse button (About opens a
// borderless popup that a right-click closes; Exit ends with 0), and a tray icon while minimised.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <initializer_list>

namespace {

constexpr UINT kTrayMessage = WM_APP + 1;
constexpr int kLabel = 101, kButton = 102, kCombo = 103, kEdit = 104, kList = 105, kGroup = 106, kCheck = 107;
constexpr int kAbout = 201, kExit = 202;

HINSTANCE instance;
HWND main_window, label, list;
NOTIFYICONDATAW tray{};

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
           int id) {
    return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

LRESULT CALLBACK popup_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_RBUTTONDOWN) {
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

void create_controls(HWND window) {
    label = child(window, L"Static", L"00:", 0, 71, 10, 88, 56, kLabel);
    child(window, L"Button", L"添加时间", BS_PUSHBUTTON, 103, 333, 81, 22, kButton);
    HWND combo = child(window, L"ComboBox", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 95, 96, 47, 200, kCombo);
    for (const wchar_t* item : {L"01", L"02", L"00"})
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    child(window, L"Edit", L"---- 填写提示信息！----", WS_BORDER | ES_AUTOHSCROLL, 103, 234, 256, 20, kEdit);
    list = child(window, L"ListBox", L"", WS_BORDER | LBS_NOTIFY, 10, 376, 358, 97, kList);
    HWND group = child(window, L"Button", L"选择功能", BS_GROUPBOX, 10, 185, 358, 40, kGroup);
    child(group, L"Button", L"取消报时", BS_AUTOCHECKBOX, 12, 14, 80, 22, kCheck);
}

void on_command(HWND window, int id, int code, HWND control) {
    wchar_t text[64];
    if (id == kButton && code == BN_CLICKED) {
        SendMessageW(list, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(L"08:05:00     温馨提示    开会"));
    } else if (id == kCombo && code == CBN_SELCHANGE) {
        const LRESULT index = SendMessageW(control, CB_GETCURSEL, 0, 0);
        SendMessageW(control, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
        SetWindowTextW(label, text);
    } else if (id == kEdit && code == EN_CHANGE) {
        GetWindowTextW(control, text, 64);
        SetWindowTextW(label, text);
    } else if (id == kList && code == LBN_DBLCLK) {
        wsprintfW(text, L"row %d", static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)));
        SetWindowTextW(label, text);
    } else if (id == kAbout) {
        HWND popup =
            CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"StandInPopup", L"", WS_POPUP | WS_VISIBLE, 50,
                            50, 344, 40, window, nullptr, instance, nullptr);
        child(popup, L"Static", L"Tockly stand-in", WS_DISABLED, 0, -1, 344, 42, 1);
    } else if (id == kExit) {
        DestroyWindow(window);
    }
}

LRESULT CALLBACK main_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            create_controls(window);
            return 0;
        case WM_COMMAND:
            on_command(window, LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
            return 0;
        case WM_RBUTTONDOWN: {
            HMENU menu = CreatePopupMenu();
            AppendMenuW(menu, MF_STRING, kAbout, L"关于");
            AppendMenuW(menu, MF_STRING, kExit, L"退出");
            POINT at{LOWORD(lparam), HIWORD(lparam)};
            ClientToScreen(window, &at);
            TrackPopupMenu(menu, TPM_LEFTALIGN, at.x, at.y, 0, window, nullptr);
            DestroyMenu(menu);
            return 0;
        }
        case WM_SIZE:
            if (wparam == SIZE_MINIMIZED) {
                ShowWindow(window, SW_HIDE);
                Shell_NotifyIconW(NIM_ADD, &tray);
            }
            return 0;
        case kTrayMessage:
            if (lparam == WM_LBUTTONUP) {
                ShowWindow(window, SW_SHOW);
                ShowWindow(window, SW_RESTORE);
            }
            return 0;
        case WM_DESTROY:
            Shell_NotifyIconW(NIM_DELETE, &tray);
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE self, HINSTANCE, PWSTR, int) {
    instance = self;
    WNDCLASSW cls{};
    cls.lpfnWndProc = main_proc;
    cls.hInstance = self;
    cls.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = L"StandInMain";
    RegisterClassW(&cls);
    cls.lpfnWndProc = popup_proc;
    cls.lpszClassName = L"StandInPopup";
    RegisterClassW(&cls);
    main_window = CreateWindowExW(0, L"StandInMain", L"Tockly —— stand-in", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  50, 50, 383, 513, nullptr, nullptr, self, nullptr);
    tray.cbSize = sizeof tray;
    tray.hWnd = main_window;
    tray.uID = 1;
    tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    tray.uCallbackMessage = kTrayMessage;
    tray.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    lstrcpyW(tray.szTip, L"Tockly");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
