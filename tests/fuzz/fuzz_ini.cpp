// The INI store under arbitrary files: any bytes as data.ini. Every key the file seems to hold is
// read, then one item is written back through the store; whatever the store accepts reads back
// exactly, and every other line of the file comes back byte for byte. A refused write leaves the
// file as it was.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/ini_store.h"
#include "host/core/ini_syntax.h"

namespace {

using namespace tockly::host;

class MemoryFiles final : public FileSystem {
  public:
    bool exists = true;
    std::string bytes;
    int replaced = 0;
    using FileSystem::read_file;
    void read_file(const std::string&, FileRead& out) override {
        out.status = exists ? FileRead::Status::ok : FileRead::Status::missing;
        out.bytes = exists ? bytes : std::string();
    }
    bool replace_file(const std::string&, std::span<const std::string_view> pieces) override {
        bytes.clear();
        append_pieces(bytes, pieces);
        exists = true;
        ++replaced;
        return true;
    }
    void remove_stale_temporaries(const std::string&) override {}
};

// Each line with its end ("\r\n", "\n" or nothing for the last).
std::vector<std::string_view> lines_of(std::string_view file) {
    std::vector<std::string_view> out;
    while (!file.empty()) {
        const std::size_t lf = file.find('\n');
        const std::size_t end = lf == std::string_view::npos ? file.size() : lf + 1;
        out.push_back(file.substr(0, end));
        file.remove_prefix(end);
    }
    return out;
}

std::string_view without_end(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// The names a file seems to use: text in brackets and text before '=' (a rough scan of our own,
// so that the store is asked about names that really stand in the file).
void collect_names(std::string_view file, std::vector<std::string>& sections,
                   std::vector<std::string>& keys) {
    for (std::string_view line : lines_of(file)) {
        line = without_end(line);
        if (sections.size() < 4 && !line.empty() && line.front() == '[') {
            const std::size_t close = line.find(']');
            sections.emplace_back(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
        }
        const std::size_t eq = line.find('=');
        if (keys.size() < 8 && eq != std::string_view::npos) keys.emplace_back(line.substr(0, eq));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(64);
    const std::string key = input.ConsumeRandomLengthString(64);
    const std::string value = input.ConsumeRandomLengthString(512);
    const std::string old_file = input.ConsumeRemainingBytesAsString();
    const std::string path = "data.ini";

    MemoryFiles files;
    files.bytes = old_file;
    IniStore store(files);

    std::vector<std::string> sections{section}, keys{key};
    collect_names(old_file, sections, keys);
    for (const auto& s : sections)
        for (const auto& k : keys) (void)store.read(path, s, k);

    const bool stored = store.write(path, section, key, value);
    if (!stored) {
        if (files.bytes != old_file || files.replaced != 0) std::abort();
        return 0;
    }
    if (!ini_can_store(section, key, value)) std::abort();
    if (store.read(path, section, key) != value) std::abort();

    if (files.replaced == 0) return 0;  // the value was already stored: the file is untouched

    // Every old line but the item's own comes back whole and in order: the lines that differ are
    // at most one old line (the item's, or a last line that gains its end) and at most the item
    // line, its section header and that old line with an end.
    const auto before = lines_of(old_file);
    const auto after = lines_of(files.bytes);
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const std::size_t old_middle = before.size() - prefix - suffix;
    const std::size_t new_middle = after.size() - prefix - suffix;
    if (old_middle > 1 || new_middle == 0 || new_middle > 3) std::abort();
    const std::string item = key + "=" + ini_encode_value(value);
    const std::string header = "[" + section + "]";
    std::size_t items = 0, ends_added = 0;
    for (std::size_t i = prefix; i < prefix + new_middle; ++i) {
        const std::string_view text = without_end(after[i]);
        const bool old_line_with_end = old_middle == 1 && ends_added == 0 &&
                                       after[i].size() > before[prefix].size() &&
                                       after[i].starts_with(before[prefix]) &&
                                       without_end(after[i].substr(before[prefix].size())).empty();
        if (old_line_with_end) {
            ++ends_added;
        } else if (text == item) {
            ++items;
        } else if (text != header) {
            std::abort();  // neither ours nor the old last line with an end added
        }
    }
    if (items != 1) std::abort();
    if (old_middle == 1) {
        // The one old line that changed is either the item's own line, rewritten with its line end
        // kept, or the file's last line, which had no end and now has one.
        const std::string_view gone = before[prefix];
        const bool was_item =
            ini_find_value(header + "\n" + std::string(without_end(gone)), section, key).has_value();
        const bool gained_end = prefix + 1 == before.size() && gone.back() != '\n';
        if (!was_item && !gained_end) std::abort();
    }
    return 0;
}
