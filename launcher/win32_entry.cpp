// The process entry of Tockly.exe. Built without the C runtime: the process starts here, and the
// only functions it reaches are the eleven it imports from KERNEL32, USER32 and ADVAPI32.
#include <windows.h>

#include "launcher/launch.h"

// The application image, the first bytes of the data section (see image.S.in).
extern "C" const unsigned char tockly_image[];

namespace {

using GetNewSockFn = void*(__stdcall*)(int);
using HostEntryFn = void(__stdcall*)(const void*);

struct Win32Platform {
    using Library = HMODULE;
    using Key = HKEY;
    using Proc = FARPROC;
    using HostEntry = HostEntryFn;

    std::uint32_t module_file_name(char* buffer, std::uint32_t capacity) {
        return GetModuleFileNameA(nullptr, buffer, capacity);
    }
    char* str_cat(char* dst, const char* src) { return lstrcatA(dst, src); }
    int str_len(const char* s) { return lstrlenA(s); }
    Library load_library(const char* path) { return LoadLibraryA(path); }
    void free_library(Library library) { FreeLibrary(library); }
    long reg_open_key(std::uintptr_t root, const char* subkey, std::uint32_t options, std::uint32_t access,
                      Key* key) {
        return RegOpenKeyExA(reinterpret_cast<HKEY>(root), subkey, options, access, key);
    }
    long reg_query_value(Key key, const char* name, unsigned char* data, std::uint32_t* size) {
        DWORD length = *size;
        const LONG status = RegQueryValueExA(key, name, nullptr, nullptr, data, &length);
        *size = length;
        return status;
    }
    void reg_close_key(Key key) { RegCloseKey(key); }
    Proc get_proc_address(Library library, const char* name) { return GetProcAddress(library, name); }
    HostEntry call_get_new_sock(Proc proc, std::int32_t request) {
        // The export's real type is known only by name; void(*)() is the neutral type to pass through.
        const auto get_new_sock = reinterpret_cast<GetNewSockFn>(reinterpret_cast<void (*)()>(proc));
        return reinterpret_cast<HostEntryFn>(get_new_sock(request));
    }
    void call_host_entry(HostEntry entry, const void* image) { entry(image); }
    void message_box(const char* text, const char* caption, std::uint32_t style) {
        MessageBoxA(nullptr, text, caption, style);
    }
    [[noreturn]] void exit_process(std::uint32_t code) { ExitProcess(code); }
};

}  // namespace

extern "C" [[noreturn]] void tockly_launcher_start() {
    Win32Platform os;
    tockly::launcher::launch(os, tockly_image);
    // launch() always ends in ExitProcess; this keeps the entry from ever returning.
    ExitProcess(tockly::launcher::kExitNoHost);
}
