// Files written on a writer thread, so that a save never holds up the window thread (and with it
// the clock's tick), whatever the size of the table. A replacement is handed over and answered at
// once; the writer makes the newest replacement of each file, whole, in the order they were
// handed over (a newer one of the same file supersedes one not yet begun, and one being retried
// because the file was busy). Reads of a file see what was last handed over for it, and, while
// another program holds the file, what was last stored there. The program's end waits in
// flush(), also for a save under way.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

#include "host/core/file_system.h"
#include "host/win32/critical_section.h"
#include "host/win32/scoped_resources.h"

namespace tockly::host::win32 {

class WriteBehindFiles final : public FileSystem {
  public:
    // `written` hears, on the writer thread, of each replacement made (stored) or failed
    // (failed), and of each try that met a busy file and will be made again after a pause (busy).
    using Written = std::function<void(const std::string& path, ReplaceOutcome outcome)>;
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
    bool writes_in_background() const override { return static_cast<bool>(thread_); }
    void remove_stale_temporaries(const std::string& path) override { inner_.remove_stale_temporaries(path); }

  private:
    struct Replacement {
        std::string path;
        std::string bytes;
    };
    static DWORD WINAPI writer_main(void* self);
    void write_all();
    // Takes the next replacement to write into writing_; false when the writer is to end.
    bool take_next();
    // Writes writing_, trying again while the file is busy.
    ReplaceOutcome write_current();
    // A newer replacement of the file being retried, next in line, takes its place.
    void take_newer_of_current();
    // The newest replacement of `path` still waiting or being written; null when none.
    const Replacement* newest_for(const std::string& path) const;
    void start_writer();

    FileSystem& inner_;
    Written written_;
    CriticalSection lock_;
    // Events rather than condition variables, which Windows XP lacks. `work_` (auto-reset): something
    // was handed over, or the end has come. `idle_` (manual-reset): nothing waiting and nothing being
    // written; reset under the lock together with each hand-over, set under the lock when the
    // writer has written the last one.
    ScopedHandle work_;
    ScopedHandle idle_;
    std::deque<Replacement> waiting_;
    Replacement writing_;  // changed by the writer thread only, under the lock
    // The buffer of the last replacement written, kept for the next one: a large table is then
    // joined into memory already in use rather than into fresh pages on every save.
    std::string spare_;
    // The last replacement stored, until a newer one of its file is handed over: a read that finds
    // the file held by another program gets these bytes.
    Replacement last_stored_;
    bool busy_ = false;
    bool ending_ = false;
    ScopedHandle thread_;
};

}  // namespace tockly::host::win32
