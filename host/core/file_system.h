// The host core's one seam to files: read a whole file, and replace a whole file atomically.
// Paths are the host's own byte strings (GBK on Windows); each implementation converts them at
// its edge.
#pragma once

#include <string>
#include <string_view>

namespace tockly::host {

struct FileRead {
    enum class Status { ok, missing, failed };
    Status status = Status::missing;
    std::string bytes;  // the whole file when ok
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // `missing` only when the file does not exist; any other trouble is `failed`.
    virtual FileRead read_file(const std::string& path) = 0;
    // Makes `path` hold exactly `bytes`, all or nothing: a temporary file in the same folder is
    // written and flushed to disk, then renamed over the old file in one step. False when any
    // step fails; the old file is then untouched and no temporary file is left behind.
    // A file marked read-only is not replaced.
    virtual bool replace_file(const std::string& path, std::string_view bytes) = 0;
    // The same for bytes the caller has no further use for: a file system that keeps them until
    // it writes takes them over rather than copying a table of many megabytes.
    virtual bool replace_file_moved(const std::string& path, std::string bytes) {
        return replace_file(path, bytes);
    }
    // Returns when every replacement handed over so far has been made (a file system that writes
    // in the background; the program's end waits here).
    virtual void flush() {}
    // True when replace_file only hands the bytes over and the outcome is known later.
    virtual bool writes_in_background() const { return false; }
    // Removes what a replace of `path` left behind when its process was killed mid-way: temporary
    // files of our own name pattern (temporary_file_name.h) whose process no longer runs. A file
    // that a running process may still be writing is never touched.
    virtual void remove_stale_temporaries(const std::string& path) = 0;
};

}  // namespace tockly::host
