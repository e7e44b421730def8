// Files through POSIX calls (Linux: the headless host and the tools). Paths are passed to the
// system unchanged.
#pragma once

#include "host/core/file_system.h"

namespace tockly::host {

class PosixFileSystem final : public FileSystem {
  public:
    using FileSystem::read_file;
    using FileSystem::replace_file;
    void read_file(const std::string& path, FileRead& into) override;
    bool replace_file(const std::string& path, std::span<const std::string_view> pieces) override;
    void remove_stale_temporaries(const std::string& path) override;
};

}  // namespace tockly::host
