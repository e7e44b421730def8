// Starting the programs the table names.
#include "host/core/wide_text_win32.h"
#include "host/win32/scoped_resources.h"
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
    const ScopedHandle started(process.hProcess);
    const ScopedHandle first_thread(process.hThread);
    if (wait) WaitForSingleObject(started.get(), INFINITE);
}

}  // namespace tockly::host::win32
