#include "tests/wine/driver/window_info.h"

#include <cstdlib>

#include "tests/wine/driver/text.h"

namespace tockly::driver {

namespace {

BOOL CALLBACK collect(HWND window, LPARAM out) {
    reinterpret_cast<std::vector<HWND>*>(out)->push_back(window);
    return TRUE;
}

void collect_descendants(HWND window, std::vector<HWND>& out) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        out.push_back(child);
        collect_descendants(child, out);
    }
}

LRESULT send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

std::string number(long long value) {
    char buffer[32];
    wsprintfA(buffer, "%I64d", value);
    return buffer;
}

std::string boolean(bool value) {
    return value ? "true" : "false";
}

// The texts of a list box's or combo box's items and their lengths (UTF-16 units), as the JSON
// members "items" and "item_lengths". The text of an item longer than `longest_item` is null:
// copying a row of many megabytes between processes only to compare it would take long.
std::string item_texts(HWND window, bool combo, std::size_t longest_item) {
    const UINT count_message = combo ? CB_GETCOUNT : LB_GETCOUNT;
    const UINT length_message = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
    const UINT text_message = combo ? CB_GETLBTEXT : LB_GETTEXT;
    const LRESULT count = send(window, count_message, 0, 0);
    std::string texts = "[", lengths = "[";
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = send(window, length_message, static_cast<WPARAM>(i), 0);
        if (i > 0) texts += ",", lengths += ",";
        lengths += number(length);
        if (length > 0 && static_cast<std::size_t>(length) > longest_item) {
            texts += "null";
            continue;
        }
        std::wstring text;
        if (length > 0) {
            text.assign(static_cast<std::size_t>(length) + 1, L'\0');
            const LRESULT got =
                send(window, text_message, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
            text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        }
        texts += json_string(to_utf8(text));
    }
    return ",\"items\":" + texts + "],\"item_lengths\":" + lengths + "]";
}

}  // namespace

std::vector<HWND> top_level_windows() {
    std::vector<HWND> out;
    EnumWindows(collect, reinterpret_cast<LPARAM>(&out));
    // Message-only windows (a program's hidden receivers of timers and notifications) too.
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr))
        out.push_back(window);
    return out;
}

std::vector<HWND> descendants(HWND window) {
    std::vector<HWND> out;
    collect_descendants(window, out);
    return out;
}

std::wstring class_name(HWND window) {
    wchar_t buffer[256];
    const int length = GetClassNameW(window, buffer, 256);
    return std::wstring(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::wstring window_text(HWND window) {
    const LRESULT length = send(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

std::wstring title(HWND window) {
    wchar_t buffer[512];
    const int length = InternalGetWindowText(window, buffer, 512);
    return std::wstring(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::string hwnd_text(HWND window) {
    char buffer[32];
    wsprintfA(buffer, "0x%I64x", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    return buffer;
}

HWND parse_hwnd(const std::string& text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text.c_str(), nullptr, 0)));
}

std::string describe_top_level(HWND window) {
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    const LONG ex_style = GetWindowLongW(window, GWL_EXSTYLE);
    return "{\"hwnd\":\"" + hwnd_text(window) + "\",\"class\":" + json_string(to_utf8(class_name(window))) +
           ",\"title\":" + json_string(to_utf8(title(window))) + ",\"pid\":" + number(pid) +
           ",\"x\":" + number(outer.left) + ",\"y\":" + number(outer.top) +
           ",\"w\":" + number(outer.right - outer.left) + ",\"h\":" + number(outer.bottom - outer.top) +
           ",\"client_w\":" + number(client.right) + ",\"client_h\":" + number(client.bottom) +
           ",\"visible\":" + boolean(IsWindowVisible(window)) +
           ",\"enabled\":" + boolean(IsWindowEnabled(window)) +
           ",\"minimized\":" + boolean(IsIconic(window)) +
           ",\"topmost\":" + boolean((ex_style & WS_EX_TOPMOST) != 0) + ",\"owner\":\"" +
           hwnd_text(GetWindow(window, GW_OWNER)) + "\"}";
}

std::string describe_child(HWND top, HWND child, std::size_t longest_item) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&rect), 2);
    const std::wstring cls = class_name(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    std::string out =
        "{\"hwnd\":\"" + hwnd_text(child) + "\",\"parent\":\"" + hwnd_text(GetParent(child)) +
        "\",\"class\":" + json_string(to_utf8(cls)) + ",\"id\":" + number(GetWindowLongPtrW(child, GWLP_ID)) +
        ",\"text\":" + json_string(to_utf8(window_text(child))) + ",\"x\":" + number(rect.left) +
        ",\"y\":" + number(rect.top) + ",\"w\":" + number(rect.right - rect.left) +
        ",\"h\":" + number(rect.bottom - rect.top) + ",\"visible\":" + boolean(IsWindowVisible(child)) +
        ",\"own_visible\":" + boolean((style & WS_VISIBLE) != 0) +
        ",\"enabled\":" + boolean(IsWindowEnabled(child)) + ",\"style\":" + number(style);
    if (lstrcmpiW(cls.c_str(), L"Button") == 0) {
        out += ",\"checked\":" + number(send(child, BM_GETCHECK, 0, 0));
    } else if (lstrcmpiW(cls.c_str(), L"ListBox") == 0) {
        out += item_texts(child, false, longest_item) +
               ",\"selected\":" + number(send(child, LB_GETCURSEL, 0, 0)) +
               ",\"top\":" + number(send(child, LB_GETTOPINDEX, 0, 0));
    } else if (lstrcmpiW(cls.c_str(), L"ComboBox") == 0) {
        out += item_texts(child, true, longest_item) +
               ",\"selected\":" + number(send(child, CB_GETCURSEL, 0, 0));
    }
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    DWORD thread = GetWindowThreadProcessId(child, nullptr);
    const bool focused = GetGUIThreadInfo(thread, &gui) && gui.hwndFocus == child;
    return out + ",\"focused\":" + boolean(focused) + "}";
}

}  // namespace tockly::driver
