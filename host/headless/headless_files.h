// Files of the headless host: the program's GBK paths with backslashes, as this system's names.
#pragma once

#include "host/core/file_system.h"
#include "host/headless/headless_window_system.h"

namespace tockly::host::headless {

class HeadlessFiles final : public FileSystem {
  public:
    HeadlessFiles(FileSystem& inner, const HeadlessWindowSystem& windows)
        : inner_(inner), windows_(windows) {}
    using FileSystem::read_file;
    using FileSystem::replace_file;
    void read_file(const std::string& path, FileRead& into) override {
        inner_.read_file(windows_.local_path(path), into);
    }
    bool replace_file(const std::string& path, std::span<const std::string_view> pieces) override {
        return inner_.replace_file(windows_.local_path(path), pieces);
    }
    void remove_stale_temporaries(const std::string& path) override {
        inner_.remove_stale_temporaries(windows_.local_path(path));
    }

  private:
    FileSystem& inner_;
    const HeadlessWindowSystem& windows_;
};

}  // namespace tockly::host::headless
