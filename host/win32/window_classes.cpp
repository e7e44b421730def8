// Where Windows hands a window's messages to the host: each window's handle leads to its owner,
// stored when the window is made (WM_NCCREATE), so no message looks anything up.
#include "host/win32/window_classes.h"

#include "host/win32/internal_error_guard.h"
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

namespace {

// What CreateWindowExW was given as its last argument, from the first message on.
template <typename Owner>
Owner* owner_of(HWND hwnd, UINT message, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<Owner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* data = owner_of<Win32WindowSystem::WindowData>(hwnd, message, lparam);
    if (data == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    return guard_internal_errors(
        [&] { return data->system.window_message(*data, hwnd, message, wparam, lparam); });
}

LRESULT CALLBACK host_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* system = owner_of<Win32WindowSystem>(hwnd, message, lparam);
    if (system == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
    return guard_internal_errors([&] { return system->host_message(hwnd, message, wparam, lparam); });
}

}  // namespace

void register_window_classes(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    // The program's own icon, when the executable carries it.
    HMODULE exe = GetModuleHandleW(nullptr);
    wc.hIcon = LoadIconW(exe, MAKEINTRESOURCEW(kProgramIconId));
    if (wc.hIcon == nullptr) wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);

    WNDCLASSEXW host{};
    host.cbSize = sizeof host;
    host.lpfnWndProc = host_proc;
    host.hInstance = instance;
    host.lpszClassName = kHostClass;
    RegisterClassExW(&host);
}

void unregister_window_classes(HINSTANCE instance) {
    UnregisterClassW(kWindowClass, instance);
    UnregisterClassW(kHostClass, instance);
}

}  // namespace tockly::host::win32
