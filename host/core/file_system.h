// The host core's one seam to files: read a whole file, and replace a whole file atomically.
// Paths are the host's own byte strings (GBK on Windows); each implementation converts them at
// its edge.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tockly::host {

struct FileRead {
    // busy: another program holds the file so that it cannot be read now (a virus scanner, the
    // search indexer, a backup or sync client); `bytes` are then left as they were.
    enum class Status { ok, missing, failed, busy };
    Status status = Status::missing;
    std::string bytes;  // the whole file when ok
};

// The pieces one after another, appended to `out`.
inline void append_pieces(std::string& out, std::span<const std::string_view> pieces) {
    std::size_t size = out.size();
    for (std::string_view piece : pieces) size += piece.size();
    out.reserve(size);
    for (std::string_view piece : pieces) out.append(piece);
}

// What became of one try to replace a file. `busy`: the file or its folder was held by another
// program (a virus scanner, the search indexer, a backup or sync client looking at a fresh file)
// and a try a moment later may succeed; the old file is untouched, as after `failed`.
enum class ReplaceOutcome { stored, busy, failed };

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // `missing` only when the file does not exist; any other trouble is `failed`. The bytes go
    // into `into`, whose buffer is reused: a caller that reads the same large file again and
    // again keeps one buffer for it.
    virtual void read_file(const std::string& path, FileRead& into) = 0;
    FileRead read_file(const std::string& path) {
        FileRead out;
        read_file(path, out);
        return out;
    }
    // Makes `path` hold exactly the pieces, one after another, all or nothing: a temporary file in
    // the same folder is written and flushed to disk, then renamed over the old file in one step.
    // False when any step fails; the old file is then untouched and no temporary file is left
    // behind. A file marked read-only is not replaced. (The pieces let a caller write a large
    // value between the parts of a file without first joining them into a copy.)
    virtual bool replace_file(const std::string& path, std::span<const std::string_view> pieces) = 0;
    bool replace_file(const std::string& path, std::string_view bytes) {
        return replace_file(path, std::span<const std::string_view>(&bytes, 1));
    }
    // One try of replace_file that tells a busy file from a failure a wait will not cure. A file
    // marked read-only is a failure, never busy: keeping it is the user's choice.
    virtual ReplaceOutcome try_replace_file(const std::string& path,
                                            std::span<const std::string_view> pieces) {
        return replace_file(path, pieces) ? ReplaceOutcome::stored : ReplaceOutcome::failed;
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
