// Files of the headless host: the program's GBK paths with backslashes, as this system's names.
#pragma once

#include "host/core/file_system.h"
#include "host/headless/headless_window_system.h"

namespace tockly::host::headless {

class HeadlessFiles final : public FileSystem {
  public:
    HeadlessFiles(FileSystem& inner, const HeadlessWindowSystem& windows)
        : inner_(inner), windows_(windows) {}
    FileRead read_file(const std::string& path) override {
        return inner_.read_file(windows_.local_path(path));
    }
    bool replace_file(const std::string& path, std::string_view bytes) override {
        return inner_.replace_file(windows_.local_path(path), bytes);
    }
    void remove_stale_temporaries(const std::string& path) override {
        inner_.remove_stale_temporaries(windows_.local_path(path));
    }

  private:
    FileSystem& inner_;
    const HeadlessWindowSystem& windows_;
};

}  // namespace tockly::host::headless
