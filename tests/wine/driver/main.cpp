// tockly-driver: a small console program that finds the windows of a running program and acts on
// them with window messages, for end-to-end tests under Wine. Texts on its command line and in
// its output are UTF-8; every window it reports is one JSON object on a line of its own.
//
//   top                          every top-level window
//   wait [--title-prefix T] [--title T] [--class C] [--pid N]
//        [--state visible|hidden|any|gone|none-visible] [--timeout MS]
//                                waits for a top-level window so matched; "gone": until none is,
//                                "none-visible": until none is shown
//   children HWND [--longest-item N]
//                                every descendant, rect in HWND's client area; the texts of list
//                                and combo box items longer than N (UTF-16 units) left out
//   click HWND                   BM_CLICK
//   choose HWND INDEX            a combo box's item, notified to its parent as the user's choice
//   list-select HWND INDEX       a list box's row (-1: none), notified as a selection change
//   list-dblclick HWND INDEX     selects a list box's row and notifies a double-click on it
//   set-text HWND TEXT           WM_SETTEXT (an edit box notifies its parent of the change)
//   right-click HWND [X Y]       the right mouse button pressed and released at a client point
//   minimize HWND                the caption bar's minimise command
//   close HWND                   WM_CLOSE
//   post HWND MSG WPARAM LPARAM  any message, posted
//   menu-choose INDEX [--timeout MS]
//                                waits for a shown pop-up menu and chooses its INDEXth item (0 first)
//                                with the keyboard
//   replace-file SOURCE TARGET   TARGET replaced with SOURCE's bytes as a save replaces data.ini
//                                (temporary file, flush, rename), timed: {"replace_ms": .., "bytes": ..}
// Exit status: 0 done, 1 not found in time or refused, 2 wrong usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/core/file_system_win32.h"
#include "host/core/wide_text_win32.h"
#include "tests/wine/driver/text.h"
#include "tests/wine/driver/window_info.h"

using namespace tockly::driver;

namespace {

void write_out(const std::string& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
              nullptr);
}

void write_line(const std::string& text) {
    write_out(text + "\n");
}

void write_error(const std::string& text) {
    DWORD written = 0;
    const std::string line = "tockly-driver: " + text + "\n";
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
              nullptr);
}

std::vector<std::string> arguments() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> out;
    for (int i = 1; i < count; ++i) out.push_back(to_utf8(argv[i]));
    LocalFree(argv);
    return out;
}

long long to_number(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 0);
}

bool starts_with(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Sends and waits for the answer a while; a handler that opens a modal window keeps running
// after the driver stops waiting.
bool send_and_wait(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result))
        return true;
    return GetLastError() == ERROR_TIMEOUT && IsWindow(window);
}

struct Match {
    std::wstring title_prefix, title, cls;
    DWORD pid = 0;
    bool has_title = false;

    bool operator()(HWND window) const {
        if (!cls.empty() && class_name(window) != cls) return false;
        if (pid != 0) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != pid) return false;
        }
        if (title_prefix.empty() && !has_title) return true;
        const std::wstring text = tockly::driver::title(window);
        if (has_title && text != title) return false;
        return starts_with(text, title_prefix);
    }
};

int wait_for(const std::vector<std::string>& args) {
    Match match;
    std::string state = "visible";
    DWORD timeout = 10000;
    for (std::size_t i = 1; i + 1 < args.size(); i += 2) {
        const std::string& option = args[i];
        const std::string& value = args[i + 1];
        if (option == "--title-prefix")
            match.title_prefix = from_utf8(value);
        else if (option == "--title")
            match.title = from_utf8(value), match.has_title = true;
        else if (option == "--class")
            match.cls = from_utf8(value);
        else if (option == "--pid")
            match.pid = static_cast<DWORD>(to_number(value));
        else if (option == "--state")
            state = value;
        else if (option == "--timeout")
            timeout = static_cast<DWORD>(to_number(value));
        else
            return write_error("unknown option " + option), 2;
    }
    const DWORD start = GetTickCount();
    for (;;) {
        std::vector<HWND> found;
        for (HWND window : top_level_windows()) {
            if (!match(window)) continue;
            const bool visible = IsWindowVisible(window);
            if (state == "any" || state == "gone" ||
                (state == "visible" || state == "none-visible") == visible)
                found.push_back(window);
        }
        const bool waiting_for_none = state == "gone" || state == "none-visible";
        if (waiting_for_none && found.empty()) return 0;
        if (!waiting_for_none && !found.empty()) {
            for (HWND window : found) write_line(describe_top_level(window));
            return 0;
        }
        if (GetTickCount() - start >= timeout) {
            write_error("no window as asked for within " + std::to_string(timeout) + " ms");
            return 1;
        }
        Sleep(50);
    }
}

// The control's parent is told of a user's choice the way the control itself would tell it.
bool notify_parent(HWND control, WORD code) {
    const WPARAM wparam = MAKEWPARAM(static_cast<WORD>(GetWindowLongPtrW(control, GWLP_ID)), code);
    return send_and_wait(GetParent(control), WM_COMMAND, wparam, reinterpret_cast<LPARAM>(control));
}

int right_click(HWND window, const std::vector<std::string>& args) {
    int x = 0, y = 0;
    if (args.size() >= 4) {
        x = static_cast<int>(to_number(args[2]));
        y = static_cast<int>(to_number(args[3]));
    } else {
        RECT client{};
        GetClientRect(window, &client);
        x = client.right / 2;
        y = client.bottom / 2;
    }
    const LPARAM at = MAKELPARAM(x, y);
    PostMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(window, WM_RBUTTONUP, 0, at);
    return 0;
}

int menu_choose(const std::vector<std::string>& args) {
    const long long index = to_number(args[1]);
    DWORD timeout = 5000;
    if (args.size() >= 4 && args[2] == "--timeout") timeout = static_cast<DWORD>(to_number(args[3]));
    const DWORD start = GetTickCount();
    HWND menu = nullptr;
    while (!menu) {
        for (HWND window : top_level_windows()) {
            if (class_name(window) == L"#32768" && IsWindowVisible(window)) menu = window;
        }
        if (menu) break;
        if (GetTickCount() - start >= timeout) return write_error("no pop-up menu is shown"), 1;
        Sleep(50);
    }
    // The menu's own loop reads the keyboard messages of its thread, whichever window they name.
    for (long long i = 0; i <= index; ++i) {
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 1);
        PostMessageW(menu, WM_KEYUP, VK_DOWN, 0xC0000001);
    }
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(menu, WM_KEYUP, VK_RETURN, 0xC0000001);
    write_line(describe_top_level(menu));
    return 0;
}

// The yardstick of a save: the same bytes written by the host's own file replacement, nothing else.
int replace_file_timed(const std::string& source_utf8, const std::string& target_utf8) {
    // The host names files in GBK.
    const std::string source = tockly::host::gbk_from_wide_lossy(from_utf8(source_utf8));
    const std::string target = tockly::host::gbk_from_wide_lossy(from_utf8(target_utf8));
    tockly::host::WindowsFileSystem files;
    const tockly::host::FileRead read = files.read_file(source);
    if (read.status != tockly::host::FileRead::Status::ok)
        return write_error("cannot read " + source_utf8), 1;
    LARGE_INTEGER frequency{}, before{}, after{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    const bool stored = files.replace_file(target, read.bytes);
    QueryPerformanceCounter(&after);
    if (!stored) return write_error("cannot replace " + target_utf8), 1;
    char line[96];
    std::snprintf(line, sizeof line, "{\"replace_ms\": %.3f, \"bytes\": %lu}",
                  1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) /
                      static_cast<double>(frequency.QuadPart),
                  static_cast<unsigned long>(read.bytes.size()));
    write_line(line);
    return 0;
}

int run(const std::vector<std::string>& args) {
    if (args.empty()) return write_error("no command"), 2;
    const std::string& command = args[0];
    if (command == "top") {
        for (HWND window : top_level_windows()) write_line(describe_top_level(window));
        return 0;
    }
    if (command == "wait") return wait_for(args);
    if (command == "menu-choose" && args.size() >= 2) return menu_choose(args);
    if (command == "replace-file" && args.size() == 3) return replace_file_timed(args[1], args[2]);
    if (args.size() < 2) return write_error("usage: " + command + " HWND ..."), 2;
    const HWND window = parse_hwnd(args[1]);
    if (!IsWindow(window)) return write_error("no window " + args[1]), 1;
    if (command == "children") {
        std::size_t longest_item = static_cast<std::size_t>(-1);
        if (args.size() == 4 && args[2] == "--longest-item")
            longest_item = static_cast<std::size_t>(to_number(args[3]));
        for (HWND child : descendants(window)) write_line(describe_child(window, child, longest_item));
        return 0;
    }
    if (command == "click") return send_and_wait(window, BM_CLICK, 0, 0) ? 0 : 1;
    if (command == "choose" && args.size() == 3) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, CB_SETCURSEL, static_cast<WPARAM>(to_number(args[2])), 0,
                            SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
        if (static_cast<LRESULT>(result) == CB_ERR) return write_error("no item " + args[2]), 1;
        return notify_parent(window, CBN_SELCHANGE) ? 0 : 1;
    }
    if ((command == "list-select" || command == "list-dblclick") && args.size() == 3) {
        const long long index = to_number(args[2]);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, LB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG,
                            kMessageTimeoutMs, &result);
        if (static_cast<LRESULT>(result) == LB_ERR && index != -1) return write_error("no row " + args[2]), 1;
        if (!notify_parent(window, LBN_SELCHANGE)) return 1;
        return command == "list-select" || notify_parent(window, LBN_DBLCLK) ? 0 : 1;
    }
    if (command == "set-text" && args.size() == 3) {
        const std::wstring text = from_utf8(args[2]);
        return send_and_wait(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) ? 0 : 1;
    }
    if (command == "right-click") return right_click(window, args);
    if (command == "minimize") return PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0) ? 0 : 1;
    if (command == "close") return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    if (command == "post" && (args.size() == 5 || args.size() == 6)) {
        // An optional count posts the message that many times at once (a burst of clicks).
        const long count = args.size() == 6 ? static_cast<long>(to_number(args[5])) : 1;
        for (long i = 0; i < count; ++i) {
            if (!PostMessageW(window, static_cast<UINT>(to_number(args[2])),
                              static_cast<WPARAM>(to_number(args[3])),
                              static_cast<LPARAM>(to_number(args[4]))))
                return 1;
        }
        return 0;
    }
    return write_error("unknown command or wrong arguments: " + command), 2;
}

}  // namespace

int main() {
    return run(arguments());
}
