// INI items in files, read and written one at a time (data.ini is kept this way). Bytes are
// stored exactly as given (GBK stays GBK); every value written reads back exactly, whatever its
// length. A write rewrites only the one line it concerns and replaces the whole file atomically,
// so a failed write leaves the old file as it was. A file that a read could not take in whole is
// never rewritten afterwards: what the program holds would then be less than the file held.
// The first touch of a file removes what an earlier, killed process's replace left beside it.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "host/core/arg_access.h"
#include "host/core/file_system.h"
#include "host/core/text_memory.h"

namespace tockly::host {

class IniStore {
  public:
    explicit IniStore(FileSystem& files) : files_(files) {}

    // The value; the empty text when the file, the section or the key is missing or the file
    // cannot be read (which also bars every later write of the file).
    std::string read(const std::string& path, std::string_view section, std::string_view key);
    // The value, or nothing when the item is missing or the file cannot be read.
    std::optional<std::string> find(const std::string& path, std::string_view section, std::string_view key);
    // The same as a view into the store's file buffer, valid until its next read or write (so a
    // whole table is copied once, into the text handed back, not twice).
    std::optional<std::string_view> find_view(const std::string& path, std::string_view section,
                                              std::string_view key);

    // Stores the value, creating the file when absent. False, with the file untouched, when the
    // item cannot be written so that it reads back exactly (a CR or LF in the value, a key with
    // '=', see ini_can_store), when an existing file cannot be read now or could not be read
    // earlier, or is not in the INI syntax (UTF-16: writing would lose its other items), or when
    // replacing the file fails (read-only, locked, disk full, folder gone).
    bool write(const std::string& path, std::string_view section, std::string_view key,
               std::string_view value);

    // Waits for the files written so far (see FileSystem::flush).
    void flush() { files_.flush(); }
    bool writes_in_background() const { return files_.writes_in_background(); }

  private:
    void read_file(const std::string& path, FileRead& into);

    FileSystem& files_;
    std::set<std::string> touched_;     // stale temporary files already removed
    std::set<std::string> unreadable_;  // a read could not take these in whole
    // The file as the last read or write found it; kept so that reading or saving a large table
    // again and again reads it into memory already in use.
    FileRead file_;
    // The file whose content file_ holds as it is on disk (read whole, and not written by this
    // store since); empty when none. A read that finds it busy goes on from file_.
    std::string known_path_;
};

// The INI commands: read item (file, section, key, default) and write item (file, section, key,
// value). Nothing when `command` is not one of them. A read answers a new text (the default
// text, when one is given, for a missing item); a write answers 1 when stored, else 0.
std::optional<std::uint64_t> call_ini_command(IniStore& store, TextAllocator& memory, std::uint32_t command,
                                              Args args);

}  // namespace tockly::host
