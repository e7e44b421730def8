// The line syntax of INI files, on the file's bytes. Lines end in CRLF or LF (the last line may
// have no end). A line whose first non-blank byte is '[' names a section up to the next ']';
// one starting with ';' is a comment; "key=value" is an item of the section above it. Section
// and key names match ignoring ASCII case (double-byte GBK characters match exactly) and the
// blanks around them; blanks around the value are not part of it, and one pair of double quotes
// around the value is removed, so values that need their blanks or quotes are written quoted.
// Nothing is converted: values are the file's bytes. A UTF-8 byte order mark before the first
// line is skipped when reading and kept when writing.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tockly::host {

// Whether the file starts with a UTF-16 byte order mark. Such a file is not in this syntax (its
// lines are not GBK bytes): nothing is found in it, and nothing is written into it, so that GBK
// lines are never mixed into it.
bool ini_is_utf16(std::string_view file);

// Names compared as the INI syntax does: ASCII letters in either case, GBK characters exactly.
bool ini_names_equal(std::string_view a, std::string_view b);

// The value of the first item `key` in the first section `section`; nothing when absent (or the
// file is UTF-16).
std::optional<std::string_view> ini_find_value(std::string_view file, std::string_view section,
                                               std::string_view key);

// Whether section, key and value can be written so that they read back exactly: no CR, LF or
// NUL anywhere; a non-empty key without '=', blanks at its ends, or a leading '[' or ';'; a
// section name without ']', blanks at its ends or a lead byte at its end (which would swallow
// the closing ']').
bool ini_can_store(std::string_view section, std::string_view key, std::string_view value);

// The value as it stands on its line: quoted when blanks at its ends or surrounding quotes
// would otherwise be lost.
std::string ini_encode_value(std::string_view value);

// A file's new bytes as pieces laid one after another: the stretches of the old file that stay
// and the new item's parts. They point into the old file, the names and the value they were made
// from (which must outlive them), so that a large value is written without being copied first.
class IniPieces {
  public:
    void add(std::string_view piece);
    std::span<const std::string_view> pieces() const { return {pieces_.data(), count_}; }
    std::size_t size() const;
    // Whether the pieces, one after another, are exactly `bytes`.
    bool equals(std::string_view bytes) const;
    std::string joined() const;

  private:
    // The most an edit needs: the old file, a line end, a section header and a quoted item.
    std::array<std::string_view, 12> pieces_{};
    std::size_t count_ = 0;
};

// The file's bytes with the item set: the item's line rewritten in place, or a new line at the
// end of the section, or the section with the item appended at the end of the file. Every
// other byte stays as it was. Nothing when !ini_can_store(...) or the file is UTF-16.
std::optional<IniPieces> ini_edit(std::string_view file, std::string_view section, std::string_view key,
                                  std::string_view value);
// The same, joined.
std::optional<std::string> ini_with_value(std::string_view file, std::string_view section,
                                          std::string_view key, std::string_view value);

}  // namespace tockly::host
