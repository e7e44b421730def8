// The launcher's one pass: find the runtime host library, get its entry function and hand it the
// application image, or report that no usable host was found.
//
// The algorithm is a template over the platform so that the same code runs in the Windows entry
// and in unit tests. It uses no C runtime: every string operation goes through the platform.
//
// A Platform provides the handle types Library, Key, Proc and HostEntry (each testable with `!`)
// and these operations, each a thin wrapper of the Windows function named beside it:
//   std::uint32_t module_file_name(char* buffer, std::uint32_t capacity);  GetModuleFileNameA(NULL,..)
//   char* str_cat(char* dst, const char* src);                               lstrcatA
//   int str_len(const char* s);                                              lstrlenA
//   Library load_library(const char* path);                                  LoadLibraryA
//   void free_library(Library);                                              FreeLibrary
//   long reg_open_key(std::uintptr_t root, const char* subkey, std::uint32_t options,
//                     std::uint32_t access, Key* key);                       RegOpenKeyExA
//   long reg_query_value(Key, const char* name, unsigned char* data,
//                        std::uint32_t* size);                               RegQueryValueExA
//   void reg_close_key(Key);                                                 RegCloseKey
//   Proc get_proc_address(Library, const char* name);                        GetProcAddress
//   HostEntry call_get_new_sock(Proc, std::int32_t request);                 calls the export
//   void call_host_entry(HostEntry, const void* image);                      calls the host's entry
//   void message_box(const char* text, const char* caption, std::uint32_t style);  MessageBoxA
//   void exit_process(std::uint32_t code);                                   ExitProcess
#pragma once

#include <cstddef>
#include <cstdint>

#include "launcher/launcher_constants.h"

namespace tockly::launcher {

namespace detail {

// Appends `name` to the text in `path` when the result, with its terminating zero, fits the
// buffer; a name that does not fit is a failure, never a cut name or an overrun.
template <typename Platform, std::size_t N>
bool append(Platform& os, char* path, const char (&name)[N]) {
    const int length = os.str_len(path);
    if (length < 0 || static_cast<std::uint64_t>(length) + (N - 1) + 1 > kPathCapacity) return false;
    os.str_cat(path, name);
    return true;
}

// Leaves the executable's directory, with its trailing backslash, in `path`.
template <typename Platform>
bool read_exe_directory(Platform& os, char* path) {
    const std::uint32_t length = os.module_file_name(path, kPathCapacity);
    // A length equal to the capacity means the path was cut short: its directory is unknown.
    if (length == 0 || length >= kPathCapacity) return false;
    path[length] = '\0';
    // The executable's own name has at least five characters (one and ".exe"), so the search for
    // the separator starts before them; a path too short for that has no directory to find.
    for (int i = static_cast<int>(length) - 6; i >= 0; --i) {
        if (path[i] == '\\') {
            path[i + 1] = '\0';
            return true;
        }
    }
    return false;
}

// Leaves the install directory named by the registry, ending in a backslash, in `path`.
template <typename Platform>
bool read_install_directory(Platform& os, char* path) {
    typename Platform::Key key{};
    if (os.reg_open_key(kHkeyCurrentUser, kInstallKey, 0, kKeyRead, &key) != 0) return false;
    std::uint32_t size = kRegistryValueCapacity;
    const long status = os.reg_query_value(key, kInstallValue, reinterpret_cast<unsigned char*>(path), &size);
    os.reg_close_key(key);
    if (status != 0 || size > kRegistryValueCapacity) return false;
    // A value stored without its terminating zero still ends where the registry says it does.
    path[size] = '\0';
    const int length = os.str_len(path);
    if (length <= 0) return false;  // an empty value names no directory
    if (path[length - 1] != '\\' && !append(os, path, "\\")) return false;
    return true;
}

template <typename Platform>
void report_no_host(Platform& os) {
    os.message_box(kErrorText, kErrorCaption, kMbOkIconError);
    os.exit_process(kExitNoHost);
}

}  // namespace detail

// Runs the launcher's one pass. On Windows exit_process does not return; with any platform,
// nothing is done after it.
template <typename Platform>
void launch(Platform& os, const void* image) {
    char path[kPathCapacity];
    if (!detail::read_exe_directory(os, path) || !detail::append(os, path, kBesideExeFile)) {
        return detail::report_no_host(os);
    }
    typename Platform::Library library = os.load_library(path);
    // The install directory is tried only when the file beside the executable does not load.
    if (!library) {
        if (!detail::read_install_directory(os, path) || !detail::append(os, path, kInstallDirFile)) {
            return detail::report_no_host(os);
        }
        library = os.load_library(path);
        if (!library) return detail::report_no_host(os);
    }
    const typename Platform::Proc get_new_sock = os.get_proc_address(library, kHostExport);
    if (!get_new_sock) {
        os.free_library(library);
        return detail::report_no_host(os);
    }
    const typename Platform::HostEntry entry = os.call_get_new_sock(get_new_sock, kHostRequest);
    if (!entry) {
        os.free_library(library);
        return detail::report_no_host(os);
    }
    // The host owns the process from here; its library stays loaded.
    os.call_host_entry(entry, image);
    os.exit_process(kExitHandedOver);
}

}  // namespace tockly::launcher
