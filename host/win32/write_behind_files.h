// Files written on a writer thread, so that a save never holds up the window thread (and with it
// the clock's tick), whatever the size of the table. A replacement is handed over and answered at
// once; the writer makes the newest replacement of each file, whole, in the order they were
// handed over (a newer one of the same file supersedes one not yet begun). Reads of a file see
// what was last handed over for it. The program's end waits in flush().
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

#include "host/core/file_system.h"

namespace tockly::host::win32 {

class WriteBehindFiles final : public FileSystem {
  public:
    // `written` hears, on the writer thread, of each replacement made (true) or failed (false).
    using Written = std::function<void(const std::string& path, bool stored)>;
    explicit WriteBehindFiles(FileSystem& inner, Written written = nullptr);
    ~WriteBehindFiles() override;  // waits for the writer
    WriteBehindFiles(const WriteBehindFiles&) = delete;
    WriteBehindFiles& operator=(const WriteBehindFiles&) = delete;

    using FileSystem::read_file;
    using FileSystem::replace_file;
    void read_file(const std::string& path, FileRead& into) override;
    // False only when the writer thread could not be started and writing in place failed.
    bool replace_file(const std::string& path, std::span<const std::string_view> pieces) override;
    void flush() override;
    bool writes_in_background() const override { return thread_ != nullptr; }
    void remove_stale_temporaries(const std::string& path) override { inner_.remove_stale_temporaries(path); }

  private:
    struct Replacement {
        std::string path;
        std::string bytes;
    };
    static DWORD WINAPI writer_main(void* self);
    void write_all();
    // The newest replacement of `path` still waiting or being written; null when none.
    const Replacement* newest_for(const std::string& path) const;

    FileSystem& inner_;
    Written written_;
    CRITICAL_SECTION lock_;
    CONDITION_VARIABLE work_;  // something to write, or the end
    CONDITION_VARIABLE idle_;  // nothing waiting and nothing being written
    std::deque<Replacement> waiting_;
    Replacement writing_;
    // The buffer of the last replacement written, kept for the next one: a large table is then
    // joined into memory already in use rather than into fresh pages on every save.
    std::string spare_;
    bool busy_ = false;
    bool ending_ = false;
    HANDLE thread_ = nullptr;
};

}  // namespace tockly::host::win32
