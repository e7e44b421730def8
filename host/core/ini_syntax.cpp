#include "host/core/ini_syntax.h"

#include <cassert>
#include <cstddef>
#include <vector>

#include "host/core/file_system.h"
#include "host/core/text_scan.h"
#include "image/gbk_bytes.h"

namespace tockly::host {

namespace {
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

// The position of an ASCII byte, skipping double-byte characters (whose second byte may equal it).
std::size_t find_ascii(std::string_view s, char c) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == c) return i;
        if (image::is_gbk_lead_byte(static_cast<unsigned char>(s[i]))) ++i;
    }
    return std::string_view::npos;
}

char fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// One line of the file: [begin, content_end) is its text without the line end; [content_end,
// end) is "\r\n", "\n" or nothing (the last line).
struct Line {
    std::size_t begin;
    std::size_t content_end;
    std::size_t end;
};

std::vector<Line> split_lines(std::string_view file) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < file.size()) {
        const std::size_t lf = find_byte(file, '\n', begin);
        if (lf == std::string_view::npos) {
            // A lone CR at the very end is the start of a line end: it reads the same once a
            // line is added after it and the CR becomes part of a CRLF.
            const bool cr = file.back() == '\r';
            lines.push_back({begin, file.size() - (cr ? 1 : 0), file.size()});
            break;
        }
        const std::size_t content_end = (lf > begin && file[lf - 1] == '\r') ? lf - 1 : lf;
        lines.push_back({begin, content_end, lf + 1});
        begin = lf + 1;
    }
    return lines;
}

// What a line needs so that another can follow it: nothing when it ends in LF, the LF of a CR
// the file ends with, or a whole line end when the last line has none.
std::string_view line_end_completion(std::string_view file, const Line& line, std::string_view eol) {
    if (line.end == line.content_end) return eol;
    return file[line.end - 1] == '\r' ? std::string_view("\n") : std::string_view();
}

enum class Kind { other, section, item };

struct ParsedLine {
    Kind kind = Kind::other;
    std::string_view name;   // section name or key
    std::string_view value;  // an item's raw value (blanks removed, quotes kept)
};

ParsedLine parse(std::string_view file, const Line& line) {
    std::string_view text = file.substr(line.begin, line.content_end - line.begin);
    if (line.begin == 0 && text.starts_with(kUtf8Mark)) text.remove_prefix(kUtf8Mark.size());
    text = trim(text);
    ParsedLine out;
    if (text.empty() || text.front() == ';') return out;
    if (text.front() == '[') {
        text.remove_prefix(1);
        const std::size_t close = find_ascii(text, ']');
        out.kind = Kind::section;
        out.name = trim(text.substr(0, close));
        return out;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return out;
    out.kind = Kind::item;
    out.name = trim(text.substr(0, equals));
    out.value = trim(text.substr(equals + 1));
    return out;
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

struct Location {
    bool section_found = false;
    std::size_t section_line = 0;  // the header's line
    std::size_t section_end = 0;   // one past the section's last line
    bool item_found = false;
    std::size_t item_line = 0;
};

Location locate(std::string_view file, const std::vector<Line>& lines, std::string_view section,
                std::string_view key) {
    Location where;
    section = trim(section);
    key = trim(key);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine parsed = parse(file, lines[i]);
        if (parsed.kind == Kind::section) {
            if (where.section_found) {
                where.section_end = i;
                return where;
            }
            if (ini_names_equal(parsed.name, section)) {
                where.section_found = true;
                where.section_line = i;
            }
        } else if (parsed.kind == Kind::item && where.section_found && !where.item_found &&
                   ini_names_equal(parsed.name, key)) {
            where.item_found = true;
            where.item_line = i;
        }
    }
    where.section_end = lines.size();
    return where;
}

// Whether the last byte is the lead byte of a double-byte character that the text cuts off (in a
// section header it would swallow the closing ']').
bool ends_in_lead_byte(std::string_view s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (image::is_gbk_lead_byte(static_cast<unsigned char>(s[i])) && ++i == s.size()) return true;
    }
    return false;
}

bool blank_at_ends(std::string_view s) {
    return !s.empty() && (is_blank(s.front()) || is_blank(s.back()));
}
}  // namespace

bool ini_is_utf16(std::string_view file) {
    return file.starts_with("\xFF\xFE") || file.starts_with("\xFE\xFF");
}

bool ini_names_equal(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (image::is_gbk_lead_byte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            // A trail byte may look like an ASCII letter; the character matches only exactly.
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

std::optional<std::string_view> ini_find_value(std::string_view file, std::string_view section,
                                               std::string_view key) {
    if (ini_is_utf16(file)) return std::nullopt;
    const std::vector<Line> lines = split_lines(file);
    const Location where = locate(file, lines, section, key);
    if (!where.item_found) return std::nullopt;
    return unquote(parse(file, lines[where.item_line]).value);
}

bool ini_can_store(std::string_view section, std::string_view key, std::string_view value) {
    if (has_line_break_or_nul(section) || has_line_break_or_nul(key) || has_line_break_or_nul(value))
        return false;
    if (find_ascii(section, ']') != std::string_view::npos || blank_at_ends(section) ||
        ends_in_lead_byte(section))
        return false;
    if (key.empty() || key.find('=') != std::string_view::npos || blank_at_ends(key)) return false;
    if (key.front() == '[' || key.front() == ';') return false;
    return true;
}

namespace {
// Values that need their blanks or surrounding quotes kept are written quoted.
bool needs_quotes(std::string_view value) {
    return blank_at_ends(value) || (value.size() >= 2 && value.front() == '"' && value.back() == '"');
}

void add_item(IniPieces& out, std::string_view key, std::string_view value) {
    out.add(key);
    out.add("=");
    const bool quoted = needs_quotes(value);
    if (quoted) out.add("\"");
    out.add(value);
    if (quoted) out.add("\"");
}
}  // namespace

std::string ini_encode_value(std::string_view value) {
    if (!needs_quotes(value)) return std::string(value);
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    out += value;
    out += '"';
    return out;
}

void IniPieces::add(std::string_view piece) {
    if (piece.empty()) return;
    assert(count_ < pieces_.size());
    pieces_[count_++] = piece;
}

std::size_t IniPieces::size() const {
    std::size_t total = 0;
    for (std::string_view piece : pieces()) total += piece.size();
    return total;
}

bool IniPieces::equals(std::string_view bytes) const {
    if (size() != bytes.size()) return false;
    for (std::string_view piece : pieces()) {
        if (bytes.substr(0, piece.size()) != piece) return false;
        bytes.remove_prefix(piece.size());
    }
    return true;
}

std::string IniPieces::joined() const {
    std::string out;
    append_pieces(out, pieces());
    return out;
}

std::optional<IniPieces> ini_edit(std::string_view file, std::string_view section, std::string_view key,
                                  std::string_view value) {
    if (!ini_can_store(section, key, value) || ini_is_utf16(file)) return std::nullopt;
    const std::vector<Line> lines = split_lines(file);
    const Location where = locate(file, lines, section, key);

    // New lines follow the file's own line ends; a new file gets CRLF.
    const std::size_t first_lf = find_byte(file, '\n');
    const std::string_view eol =
        (first_lf == std::string_view::npos || (first_lf > 0 && file[first_lf - 1] == '\r'))
            ? std::string_view("\r\n")
            : std::string_view("\n");

    IniPieces out;
    if (where.item_found) {
        const Line& line = lines[where.item_line];
        out.add(file.substr(0, line.begin));
        add_item(out, key, value);
        out.add(file.substr(line.content_end));
        return out;
    }
    if (where.section_found) {
        // After the section's last non-blank line, so blank lines before the next section stay there.
        std::size_t last = where.section_line;
        for (std::size_t i = where.section_line + 1; i < where.section_end; ++i) {
            const Line& line = lines[i];
            if (!trim(file.substr(line.begin, line.content_end - line.begin)).empty()) last = i;
        }
        const Line& line = lines[last];
        out.add(file.substr(0, line.end));
        out.add(line_end_completion(file, line, eol));
        add_item(out, key, value);
        out.add(eol);
        out.add(file.substr(line.end));
        return out;
    }
    out.add(file);
    if (!lines.empty()) out.add(line_end_completion(file, lines.back(), eol));
    out.add("[");
    out.add(section);
    out.add("]");
    out.add(eol);
    add_item(out, key, value);
    out.add(eol);
    return out;
}

std::optional<std::string> ini_with_value(std::string_view file, std::string_view section,
                                          std::string_view key, std::string_view value) {
    const std::optional<IniPieces> pieces = ini_edit(file, section, key, value);
    if (!pieces) return std::nullopt;
    return pieces->joined();
}

}  // namespace tockly::host
