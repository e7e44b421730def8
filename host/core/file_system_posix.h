// Files through POSIX calls (Linux: the headless host and the tools). Paths are passed to the
// system unchanged.
#pragma once

#include "host/core/file_system.h"

namespace tockly::host {

class PosixFileSystem final : public FileSystem {
  public:
    FileRead read_file(const std::string& path) override;
    bool replace_file(const std::string& path, std::string_view bytes) override;
    void remove_stale_temporaries(const std::string& path) override;
};

}  // namespace tockly::host
