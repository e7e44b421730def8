// The script that drives a headless run: one command a line. Blank lines and lines whose first
// non-blank character is '#' are skipped; after the fixed arguments of a command a '#' that
// follows a blank starts a comment. The last argument of `type`, `menu` and `answer` is the rest
// of the line, taken as it is. Texts are UTF-8 (with \xHH for bytes that are not GBK characters).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tockly::sim {

enum class Op {
    clock,
    start,
    wait,
    click,
    choose,
    type,
    select,
    dblclick,
    rclick,
    menu,
    minimize,
    tray,
    answer,
    show
};

struct Command {
    Op op = Op::start;
    int line = 0;             // 1-based line number in the script
    std::string source;       // the line as written
    std::string name;         // unit, window or dialog name; the menu caption; what to show
    std::string text;         // type: the text; answer: the path (GBK)
    std::int64_t number = 0;  // index, kind, or milliseconds (wait) or the local time (clock)
    bool cancel = false;      // answer --cancel
};

struct ScriptError {
    int line = 0;
    std::string source;
    std::string reason;
    std::string message() const;  // "line 3: 'wiat 2': unknown command"
};

// Parses one line; nothing for a blank or comment line.
std::variant<std::monostate, Command, ScriptError> parse_line(std::string_view line, int number);

// Parses the whole script; the first error stops it.
std::variant<std::vector<Command>, ScriptError> parse_script(std::string_view script);

// "2026-12-09 08:29:58" or with ".250": the local time in milliseconds since 1970.
std::optional<std::int64_t> parse_local_time(std::string_view date, std::string_view time);
// "YYYY-MM-DD HH:MM:SS.mmm".
std::string format_local_time(std::int64_t ms);

}  // namespace tockly::sim
