#include "host/core/ini_store.h"

#include <utility>

#include "host/core/ini_syntax.h"
#include "host/core/text_scan.h"
#include "image/text_routines.h"

namespace tockly::host {

void IniStore::read_file(const std::string& path, FileRead& into) {
    if (touched_.insert(path).second) files_.remove_stale_temporaries(path);
    files_.read_file(path, into);
    if (into.status == FileRead::Status::busy && known_path_ == path) {
        // Held by another program for a moment: what this store last read of it is still the
        // file's content (nothing of ours was written since), so the store goes on from that.
        into.status = FileRead::Status::ok;
    } else if (into.status == FileRead::Status::busy) {
        into.status = FileRead::Status::failed;
        into.bytes.clear();
    }
    if (into.status == FileRead::Status::ok) {
        known_path_ = path;
    } else {
        known_path_.clear();
    }
}

std::optional<std::string> IniStore::find(const std::string& path, std::string_view section,
                                          std::string_view key) {
    const std::optional<std::string_view> value = find_view(path, section, key);
    if (!value) return std::nullopt;
    return std::string(*value);
}

std::optional<std::string_view> IniStore::find_view(const std::string& path, std::string_view section,
                                                    std::string_view key) {
    FileRead& file = file_;
    read_file(path, file);
    if (file.status == FileRead::Status::failed ||
        (file.status == FileRead::Status::ok && ini_is_utf16(file.bytes)))
        unreadable_.insert(path);
    if (file.status != FileRead::Status::ok) return std::nullopt;
    return ini_find_value(file.bytes, section, key);
}

std::string IniStore::read(const std::string& path, std::string_view section, std::string_view key) {
    return find(path, section, key).value_or(std::string());
}

bool IniStore::write(const std::string& path, std::string_view section, std::string_view key,
                     std::string_view value) {
    FileRead& file = file_;
    read_file(path, file);
    if (file.status == FileRead::Status::failed || unreadable_.count(path) != 0) return false;
    const bool exists = file.status == FileRead::Status::ok;
    // The new file is written from pieces of the old one and the value itself: a whole table is
    // not copied again to be written.
    const std::optional<IniPieces> updated =
        ini_edit(exists ? std::string_view(file.bytes) : std::string_view(), section, key, value);
    if (!updated) return false;
    if (exists && updated->equals(file.bytes)) return true;  // already stored: no need to touch the disk
    known_path_.clear();  // the buffer holds the file as it was before this write
    return files_.replace_file(path, updated->pieces());
}

std::optional<std::uint64_t> call_ini_command(IniStore& store, TextAllocator& memory, std::uint32_t command,
                                              Args args) {
    if (command != command::ini_read && command != command::ini_write) return std::nullopt;
    for (std::size_t i = 0; i < 4; ++i) {
        if (!arg_fits(args, i, type_word::text)) return 0;
    }
    const std::string path = arg_text(args, 0);
    const char* section = arg_text(args, 1);
    const char* key = arg_text(args, 2);
    if (command == command::ini_write) {
        const char* value = arg_text(args, 3);
        return store.write(path, section, key, std::string_view(value, image::text_length(value))) ? 1 : 0;
    }

    const std::string_view value = store.find_view(path, section, key).value_or(arg_text(args, 3));
    return reinterpret_cast<std::uintptr_t>(new_text(memory, value));
}

}  // namespace tockly::host
