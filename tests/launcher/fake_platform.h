// A scripted stand-in for Windows: files that load as host libraries, one registry value, an
// executable path. It records every significant call as a line of text, and fails the test on any
// write past the launcher's path buffer or any call after the process has ended.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tockly::launcher::testing {

enum class HostKind {
    Working,   // exports GetNewSock, which returns an entry function
    NoExport,  // loads, but has no GetNewSock
    Refusing,  // GetNewSock returns null
};

struct FakeLibrary {
    std::string path;
    HostKind kind;
};

class FakePlatform {
  public:
    using Library = FakeLibrary*;
    using Key = int*;
    using Proc = FakeLibrary*;
    using HostEntry = FakeLibrary*;

    // The world the launcher finds.
    std::string exe_path;
    std::map<std::string, HostKind> files;
    bool key_exists = true;
    std::optional<std::string> path_value;  // raw bytes of "Path", terminating zero included or not

    // What it did.
    std::vector<std::string> calls;
    const void* image_received = nullptr;

    std::uint32_t module_file_name(char* buffer, std::uint32_t capacity);
    char* str_cat(char* dst, const char* src);
    int str_len(const char* s);
    Library load_library(const char* path);
    void free_library(Library library);
    long reg_open_key(std::uintptr_t root, const char* subkey, std::uint32_t options, std::uint32_t access,
                      Key* key);
    long reg_query_value(Key key, const char* name, unsigned char* data, std::uint32_t* size);
    void reg_close_key(Key key);
    Proc get_proc_address(Library library, const char* name);
    HostEntry call_get_new_sock(Proc proc, std::int32_t request);
    void call_host_entry(HostEntry entry, const void* image);
    void message_box(const char* text, const char* caption, std::uint32_t style);
    void exit_process(std::uint32_t code);

  private:
    void record(std::string line);

    char* buffer_ = nullptr;  // the launcher's path buffer, as first handed to us
    std::uint32_t capacity_ = 0;
    int key_ = 0;
    bool key_open_ = false;
    bool exited_ = false;
    std::deque<FakeLibrary> loaded_;
};

}  // namespace tockly::launcher::testing
