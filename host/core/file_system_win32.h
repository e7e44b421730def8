// Files through the Windows API. Paths are the host's GBK texts, converted to UTF-16 with code
// page 936; a file is replaced by writing a temporary file beside it, flushing it to disk and
// moving it over the old one in a single step.
#pragma once

#include "host/core/file_system.h"

namespace tockly::host {

class WindowsFileSystem final : public FileSystem {
  public:
    using FileSystem::read_file;
    using FileSystem::replace_file;
    void read_file(const std::string& path, FileRead& into) override;
    bool replace_file(const std::string& path, std::span<const std::string_view> pieces) override;
    ReplaceOutcome try_replace_file(const std::string& path,
                                    std::span<const std::string_view> pieces) override;
    void remove_stale_temporaries(const std::string& path) override;
};

}  // namespace tockly::host
