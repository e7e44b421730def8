// What the host does beyond windows and controls: timers and the event loop, the notification-area
// icon, the pop-up menu, the system's dialogs and message boxes, sound, processes, visual styles
// and the end of the program.
// clang-format off
#include <windows.h>  // first: the others build on it
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
// clang-format on

#include <algorithm>

#include "host/core/runtime.h"
#include "host/core/wide_text_win32.h"
#include "host/win32/dialog_filter.h"
#include "host/win32/icon_file.h"
#include "host/win32/module_path.h"
#include "host/win32/trace.h"
#include "host/win32/visual_styles_resource.h"
#include "host/win32/window_classes.h"
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

namespace {

std::wstring system_cmd() {
    wchar_t dir[MAX_PATH + 1];
    const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    if (n == 0 || n > MAX_PATH) return {};
    return std::wstring(dir, n) + L"\\cmd.exe";
}

// The command line names the command interpreter as "cmd" (any case), followed by a blank or
// nothing.
bool names_cmd(std::string_view line) {
    if (line.size() < 3) return false;
    for (std::size_t i = 0; i < 3; ++i) {
        const char c = static_cast<char>(line[i] | 0x20);
        if (c != "cmd"[i]) return false;
    }
    return line.size() == 3 || line[3] == ' ';
}

}  // namespace

// --- Timers and the loop ---------------------------------------------------------------------------

void Win32WindowSystem::start_timer(TimerKey key, std::uint32_t period_ms, bool on_second_boundary) {
    if (!ended_) timers_->start(key, period_ms, on_second_boundary);
}

void Win32WindowSystem::stop_timer(TimerKey key) {
    timers_->stop(key);
}

void Win32WindowSystem::timer_message(UINT_PTR id) {
    const std::optional<TimerKey> key = timers_->fell(id);
    if (key && runtime_ != nullptr) runtime_->timer_fired(*key);
}

void Win32WindowSystem::run_loop(const std::function<bool()>& done) {
    while (!done()) {
        MSG msg;
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // outer loops end too
            return;
        }
        if (got == -1) return;
        // Tab and arrow keys move between the controls of our windows.
        HWND top = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        bool ours = false;
        for (const auto& [serial, data] : windows_) ours = ours || (top != nullptr && data->hwnd == top);
        if (ours && IsDialogMessageW(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// --- Menu, dialogs, message boxes ----------------------------------------------------------------

void Win32WindowSystem::pop_up_menu(WindowInstance& window, UnitState& menu) {
    WindowData* data = data_of(window);
    if (data == nullptr || data->hwnd == nullptr) return;
    const std::vector<UnitState*> items = window.menu_items(menu.id());
    HMENU popup = CreatePopupMenu();
    if (popup == nullptr) return;
    for (std::size_t i = 0; i < items.size(); ++i) {
        AppendMenuW(popup, MF_STRING, i + 1, wide_from_gbk(items[i]->text).c_str());
    }
    POINT at;
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if its window is in front.
    SetForegroundWindow(data->hwnd);
    const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(
        popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, data->hwnd, nullptr));
    PostMessageW(data->hwnd, WM_NULL, 0, 0);
    DestroyMenu(popup);
    if (chosen >= 1 && chosen <= items.size()) {
        chosen_menu_item_ = items[chosen - 1]->id();
        PostMessageW(host_window_, kMenuChosenMessage, 0, 0);
    }
}

std::optional<std::string> Win32WindowSystem::run_file_dialog(WindowInstance& window, UnitState& dialog) {
    WindowData* data = data_of(window);
    const UnitDesign& design = *dialog.design;
    const std::wstring filter = wide_from_gbk(dialog_filter(design.filter));
    const std::wstring folder = wide_from_gbk(design.initial_dir);
    const std::wstring extension = wide_from_gbk(default_extension(design.default_ext));
    std::wstring file(32768, L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = data != nullptr ? data->hwnd : nullptr;
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

// --- Tray icon -------------------------------------------------------------------------------------

void Win32WindowSystem::set_tray_icon(WindowInstance& window, std::span<const std::uint8_t> icon,
                                      std::string_view tip) {
    tray_->show(icon, tip);
    tray_window_serial_ = window.serial;
}

void Win32WindowSystem::remove_tray_icon() {
    tray_->remove();
    tray_window_serial_ = 0;
}

void Win32WindowSystem::tray_message(LPARAM lparam) {
    if (LOWORD(lparam) != WM_LBUTTONUP || runtime_ == nullptr) return;
    for (WindowInstance* w : runtime_->open_windows()) {
        if (w->serial == tray_window_serial_) {
            runtime_->tray_notify(*w, tray_kind::left_click);
            return;
        }
    }
}

// --- Sound and processes ---------------------------------------------------------------------------

bool Win32WindowSystem::play_mp3(SoundOwner owner, std::string_view path, std::int32_t times) {
    (void)times;  // the ringtone is played once
    // The answer comes from the file alone; the sound device is the sound thread's business.
    return sound_->play_mp3(owner, wide_from_gbk(path));
}

void Win32WindowSystem::play_wav(SoundOwner owner, std::span<const std::uint8_t> wav, bool repeat) {
    sound_->play_wav(owner, wav, repeat);
}

void Win32WindowSystem::stop_sound(SoundOwner owner) {
    sound_->stop(owner);
}

void Win32WindowSystem::set_ringtone_fallback(std::vector<std::uint8_t> wav) {
    sound_->set_fallback(std::move(wav));
}

void Win32WindowSystem::sound_message(WPARAM, LPARAM) {
    // Taken even without a trace, so that reports never pile up.
    for (const SoundReport& report : sound_->take_reports()) {
        if (trace_ == nullptr) continue;
        JsonLine line = trace_->line("sound");
        line.text("what", sound_report_name(report.what))
            .number("window", static_cast<std::int64_t>(report.window));
        if (report.error != 0) line.number("error", static_cast<std::int64_t>(report.error));
        if (report.offered) line.boolean("offered", true);
        if (report.resumed) line.boolean("resumed", true);
        if (report.what == SoundReport::What::stopped) {
            line.raw("ended", report.ended_mp3 && report.ended_wav ? R"(["mp3","wav"])"
                              : report.ended_mp3                   ? R"(["mp3"])"
                              : report.ended_wav                   ? R"(["wav"])"
                                                                   : "[]");
        }
        trace_->write(line);
    }
}

void Win32WindowSystem::run_process(std::string_view command_line, bool wait, std::int32_t show_mode) {
    std::wstring line = wide_from_gbk(command_line);
    if (line.empty()) return;
    // The command interpreter is the system's own, never one found on the search path.
    std::wstring application;
    if (names_cmd(command_line)) {
        application = system_cmd();
        if (application.empty()) {
            host_error("the system folder is not known");
            return;
        }
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show_mode);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.empty() ? nullptr : application.c_str(), line.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &process)) {
        host_error("the program could not be started (error " + std::to_string(GetLastError()) + ")");
        return;
    }
    if (wait) WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

std::string Win32WindowSystem::program_directory() {
    std::wstring path = module_path();
    const std::size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash);
    if (auto gbk = gbk_from_wide(path)) return *gbk;
    // A folder name GBK cannot hold: its short form is plain ASCII and names the same folder.
    std::wstring short_path(32768, L'\0');
    const DWORD n = GetShortPathNameW(path.c_str(), short_path.data(), static_cast<DWORD>(short_path.size()));
    if (n > 0 && n < short_path.size()) {
        short_path.resize(n);
        if (auto gbk = gbk_from_wide(short_path)) return *gbk;
    }
    host_error("the program's folder cannot be named in GBK");
    return gbk_from_wide_lossy(path);
}

// --- Visual styles ---------------------------------------------------------------------------------

void Win32WindowSystem::enable_visual_styles() {
    if (visual_styles_context_ != INVALID_HANDLE_VALUE) return;
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.hModule = instance_;
    context.lpResourceName = MAKEINTRESOURCEW(TOCKLY_VISUAL_STYLES_MANIFEST);
    HANDLE handle = CreateActCtxW(&context);
    ULONG_PTR cookie = 0;
    if (handle == INVALID_HANDLE_VALUE || !ActivateActCtx(handle, &cookie)) {
        if (handle != INVALID_HANDLE_VALUE) ReleaseActCtx(handle);
        host_error("visual styles are not available");
        return;
    }
    // Active for the rest of the program on this, its only thread.
    visual_styles_context_ = handle;
    if (HMODULE controls = LoadLibraryW(L"comctl32.dll")) {
        using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        if (auto init = reinterpret_cast<InitFn>(
                reinterpret_cast<void (*)()>(GetProcAddress(controls, "InitCommonControlsEx")))) {
            INITCOMMONCONTROLSEX icc{};
            icc.dwSize = sizeof icc;
            icc.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
            init(&icc);
        }
    }
    // Controls made before now are of the old kind: make them again, showing the same state.
    if (runtime_ == nullptr) return;
    for (WindowInstance* window : runtime_->open_windows()) {
        WindowData* data = data_of(*window);
        if (data == nullptr || data->hwnd == nullptr) continue;
        HWND focus = GetFocus();
        const bool had_focus = focus != nullptr && IsChild(data->hwnd, focus);
        destroy_controls(*data);
        create_controls(*window, *data);
        if (had_focus) SetFocus(data->hwnd);
    }
}

// --- The end ---------------------------------------------------------------------------------------

void Win32WindowSystem::input_refused(std::string_view what, std::string_view target) {
    if (trace_ == nullptr) return;
    trace_->write(trace_->line("refused").text("input", what).text("target", Trace::utf8(target)));
}

void Win32WindowSystem::host_error(std::string_view what) {
    if (trace_ != nullptr) trace_->write(trace_->line("error").text("what", Trace::utf8(what)));
}

void Win32WindowSystem::shut_down() {
    ended_ = true;
    timers_->stop_all();
    sound_->end();
    remove_tray_icon();
}

void Win32WindowSystem::program_ended(int exit_code) {
    shut_down();
    if (trace_ != nullptr) trace_->write(trace_->line("exit").number("code", exit_code));
}

void Win32WindowSystem::fatal_error(std::uint32_t code) {
    if (trace_ != nullptr) trace_->write(trace_->line("fatal").number("code", code));
    shut_down();
    const std::wstring text = L"Tockly 运行出错（错误代码 " + std::to_wstring(code) + L"），即将结束。";
    MessageBoxW(nullptr, text.c_str(), L"Tockly", MB_OK | MB_ICONERROR);
    ExitProcess(3);
}

}  // namespace tockly::host::win32
