#include "tests/launcher/fake_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tockly::launcher::testing {

namespace {
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorMoreData = 234;
}  // namespace

void FakePlatform::record(std::string line) {
    if (exited_) ADD_FAILURE() << "call after the process ended: " << line;
    calls.push_back(std::move(line));
}

// Like Windows since Vista: a path that does not fit is cut, terminated, and the capacity returned.
std::uint32_t FakePlatform::module_file_name(char* buffer, std::uint32_t capacity) {
    if (exited_) ADD_FAILURE() << "module path asked for after the process ended";
    buffer_ = buffer;
    capacity_ = capacity;
    if (exe_path.empty() || capacity == 0) return 0;
    const std::size_t copied = std::min<std::size_t>(exe_path.size(), capacity - 1);
    std::memcpy(buffer, exe_path.data(), copied);
    buffer[copied] = '\0';
    return exe_path.size() >= capacity ? capacity : static_cast<std::uint32_t>(copied);
}

char* FakePlatform::str_cat(char* dst, const char* src) {
    const std::size_t need = std::strlen(dst) + std::strlen(src) + 1;
    if (dst == buffer_ && need > capacity_) {
        ADD_FAILURE() << "path buffer overrun: " << need << " bytes into " << capacity_;
        return dst;
    }
    return std::strcat(dst, src);
}

int FakePlatform::str_len(const char* s) {
    return static_cast<int>(std::strlen(s));
}

FakePlatform::Library FakePlatform::load_library(const char* path) {
    record(std::string("load ") + path);
    const auto file = files.find(path);
    if (file == files.end()) return nullptr;
    return &loaded_.emplace_back(FakeLibrary{path, file->second});
}

void FakePlatform::free_library(Library library) {
    record("free " + library->path);
}

long FakePlatform::reg_open_key(std::uintptr_t root, const char* subkey, std::uint32_t options,
                                std::uint32_t access, Key* key) {
    char line[160];
    std::snprintf(line, sizeof line, "open %lx %s %u %x", static_cast<unsigned long>(root), subkey, options,
                  access);
    record(line);
    if (!key_exists) return kErrorFileNotFound;
    *key = &key_;
    key_open_ = true;
    return 0;
}

// Like RegQueryValueExA: data longer than the capacity is an error that reports the size needed.
long FakePlatform::reg_query_value(Key key, const char* name, unsigned char* data, std::uint32_t* size) {
    record("query " + std::string(name) + " " + std::to_string(*size));
    EXPECT_TRUE(key == &key_ && key_open_) << "query on a key that is not open";
    EXPECT_EQ(data, reinterpret_cast<unsigned char*>(buffer_));
    if (data == reinterpret_cast<unsigned char*>(buffer_) && *size > capacity_) {
        ADD_FAILURE() << "registry read may overrun the path buffer: " << *size;
        return kErrorMoreData;
    }
    if (!path_value || std::strcmp(name, "Path") != 0) return kErrorFileNotFound;
    const auto length = static_cast<std::uint32_t>(path_value->size());
    const bool fits = length <= *size;
    if (fits) std::memcpy(data, path_value->data(), length);
    *size = length;
    return fits ? 0 : kErrorMoreData;
}

void FakePlatform::reg_close_key(Key key) {
    EXPECT_TRUE(key == &key_ && key_open_) << "closing a key that is not open";
    key_open_ = false;
    record("close");
}

FakePlatform::Proc FakePlatform::get_proc_address(Library library, const char* name) {
    record("lookup " + std::string(name));
    if (library->kind == HostKind::NoExport || std::strcmp(name, "GetNewSock") != 0) return nullptr;
    return library;
}

FakePlatform::HostEntry FakePlatform::call_get_new_sock(Proc proc, std::int32_t request) {
    record("GetNewSock " + std::to_string(request));
    return proc->kind == HostKind::Refusing ? nullptr : proc;
}

void FakePlatform::call_host_entry(HostEntry entry, const void* image) {
    record("entry of " + entry->path);
    image_received = image;
}

void FakePlatform::message_box(const char* text, const char* caption, std::uint32_t style) {
    record("box " + std::string(text) + " | " + caption + " | " + std::to_string(style));
}

void FakePlatform::exit_process(std::uint32_t code) {
    char line[32];
    std::snprintf(line, sizeof line, "exit %x", code);
    record(line);
    EXPECT_FALSE(key_open_) << "registry key left open";
    exited_ = true;
}

}  // namespace tockly::launcher::testing
