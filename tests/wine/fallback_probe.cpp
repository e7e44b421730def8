// The host's ways for Windows that lack a newer call, tried where the newer call exists too (Wine
// exports it whatever version it claims), so that each can be compared with what the newer gives:
// the image path of another process read from its module list. Prints "ok: ..." or "FAIL: ..."
// lines; exits with 0 when every check passed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/core/wide_text_win32.h"
#include "host/win32/process_image.h"

namespace {

bool check(bool condition, const char* what, const std::wstring& detail) {
    std::printf("%s: %s (%s)\n", condition ? "ok" : "FAIL", what,
                tockly::host::utf8_from_wide(detail).c_str());
    return condition;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "child") == 0) {
        Sleep(60000);
        return 0;
    }
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
    std::wstring command = L"\"" + self + L"\" child";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(self.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &child))
        return check(false, "a child process starts", self), 1;
    // The module list is there once the child's loader has run.
    std::wstring older;
    for (int i = 0; i < 200 && older.empty(); ++i) {
        older = tockly::host::win32::process_image_path_from_module_list(child.dwProcessId);
        if (older.empty()) Sleep(100);
    }
    const std::wstring newer = tockly::host::win32::process_image_path(child.dwProcessId);
    TerminateProcess(child.hProcess, 0);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    bool ok = check(!newer.empty() && lstrcmpiW(newer.c_str(), self.c_str()) == 0,
                    "the image path of another process, the newer call", newer);
    ok = check(!older.empty() && lstrcmpiW(older.c_str(), newer.c_str()) == 0,
               "the same path read from its module list, as on Windows XP", older) &&
         ok;
    return ok ? 0 : 1;
}
