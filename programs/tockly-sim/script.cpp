#include "programs/tockly-sim/script.h"

#include <charconv>
#include <cstdio>

#include "host/core/date_time.h"
#include "image/json/gbk_text.h"

namespace tockly::sim {

namespace {

bool blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && (blank(s.back()) || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
    return s;
}

// Takes the next blank-separated word off `rest`.
std::string_view next_word(std::string_view& rest) {
    while (!rest.empty() && blank(rest.front())) rest.remove_prefix(1);
    std::size_t end = 0;
    while (end < rest.size() && !blank(rest[end])) ++end;
    std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

// What follows the fixed arguments: a comment or nothing.
std::string_view strip_comment(std::string_view rest) {
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '#' && (i == 0 || blank(rest[i - 1]))) return trim(rest.substr(0, i));
    }
    return trim(rest);
}

std::optional<std::int64_t> parse_int(std::string_view s) {
    std::int64_t v = 0;
    if (s.empty()) return std::nullopt;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return v;
}

// Seconds with up to three decimals, as milliseconds.
std::optional<std::int64_t> parse_seconds(std::string_view s) {
    const std::size_t dot = s.find('.');
    auto whole = parse_int(s.substr(0, dot));
    if (!whole || *whole < 0 || *whole > 1000LL * 86400 * 366) return std::nullopt;
    std::int64_t ms = *whole * 1000;
    if (dot != std::string_view::npos) {
        std::string_view frac = s.substr(dot + 1);
        if (frac.empty() || frac.size() > 3) return std::nullopt;
        auto f = parse_int(frac);
        if (!f || *f < 0 || frac.front() == '-' || frac.front() == '+') return std::nullopt;
        for (std::size_t i = frac.size(); i < 3; ++i) *f *= 10;
        ms += *f;
    }
    return ms;
}

}  // namespace

std::string ScriptError::message() const {
    return "line " + std::to_string(line) + ": '" + source + "': " + reason;
}

std::optional<std::int64_t> parse_local_time(std::string_view date, std::string_view time) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    char tail = 0;
    const std::string ds(date), ts(time);
    if (std::sscanf(ds.c_str(), "%4d-%2d-%2d%c", &y, &mo, &d, &tail) != 3 || ds.size() != 10)
        return std::nullopt;
    std::string main = ts.substr(0, ts.find('.'));
    if (std::sscanf(main.c_str(), "%2d:%2d:%2d%c", &h, &mi, &s, &tail) != 3 || main.size() != 8)
        return std::nullopt;
    if (main.size() < ts.size()) {
        std::string frac = ts.substr(main.size() + 1);
        if (frac.size() != 3 || !parse_int(frac) || frac[0] == '-' || frac[0] == '+') return std::nullopt;
        ms = static_cast<int>(*parse_int(frac));
    }
    if (mo < 1 || mo > 12 || d < 1 || d > host::days_in_month(y, mo) || h > 23 || mi > 59 || s > 59 ||
        h < 0 || mi < 0 || s < 0)
        return std::nullopt;
    return host::make_date_time(y, mo, d, h, mi, s, ms);
}

std::string format_local_time(std::int64_t ms) {
    const auto p = host::split_date_time(ms);
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04lld-%02d-%02d %02d:%02d:%02d.%03d",
                  static_cast<long long>(p.date.year), p.date.month, p.date.day, p.hour, p.minute, p.second,
                  p.millisecond);
    return buf;
}

std::variant<std::monostate, Command, ScriptError> parse_line(std::string_view raw, int number) {
    // Free text at the end of a line keeps its blanks: only the line end goes.
    std::string_view line = raw;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    while (!line.empty() && blank(line.front())) line.remove_prefix(1);
    if (trim(line).empty() || line.front() == '#') return std::monostate{};
    Command c;
    c.line = number;
    c.source = std::string(trim(line));
    auto error = [&](std::string reason) { return ScriptError{number, c.source, std::move(reason)}; };
    auto gbk = [&](std::string_view utf8, std::string& out) -> bool {
        auto r = image::gbk_from_display(utf8);
        if (!r) return false;
        out = std::move(r.value());
        return true;
    };

    std::string_view rest = line;
    const std::string_view word = next_word(rest);
    auto args_only = [&](std::size_t count, std::vector<std::string_view>& out) -> bool {
        std::string_view tail = strip_comment(rest);
        for (std::size_t i = 0; i < count; ++i) out.push_back(next_word(tail));
        for (auto a : out) {
            if (a.empty()) return false;
        }
        return trim(tail).empty();
    };
    std::vector<std::string_view> a;

    if (word == "clock") {
        c.op = Op::clock;
        if (!args_only(2, a)) return error("expected: clock YYYY-MM-DD HH:MM:SS[.mmm]");
        auto t = parse_local_time(a[0], a[1]);
        if (!t) return error("not a valid local time");
        c.number = *t;
    } else if (word == "start" || word == "minimize") {
        c.op = word == "start" ? Op::start : Op::minimize;
        if (!args_only(0, a)) return error("takes no arguments");
    } else if (word == "wait") {
        c.op = Op::wait;
        if (!args_only(1, a)) return error("expected: wait SECONDS");
        auto ms = parse_seconds(a[0]);
        if (!ms) return error("not a number of seconds (at most three decimals)");
        c.number = *ms;
    } else if (word == "click" || word == "dblclick" || word == "rclick") {
        c.op = word == "click" ? Op::click : word == "dblclick" ? Op::dblclick : Op::rclick;
        if (!args_only(1, a)) return error("expected one name");
        if (!gbk(a[0], c.name)) return error("the name is not GBK text");
    } else if (word == "choose" || word == "select") {
        c.op = word == "choose" ? Op::choose : Op::select;
        if (!args_only(2, a)) return error("expected: NAME INDEX");
        if (!gbk(a[0], c.name)) return error("the name is not GBK text");
        auto n = parse_int(a[1]);
        if (!n || *n < -1 || *n > 0x7FFFFFFF) return error("not an index");
        c.number = *n;
    } else if (word == "tray") {
        c.op = Op::tray;
        if (!args_only(1, a)) return error("expected: tray KIND");
        auto n = parse_int(a[0]);
        if (!n || *n < 0 || *n > 0xFFFFFFFFLL) return error("not a notification kind");
        c.number = *n;
    } else if (word == "type") {
        c.op = Op::type;
        const std::string_view name = next_word(rest);
        if (name.empty()) return error("expected: type NAME TEXT");
        if (!gbk(name, c.name)) return error("the name is not GBK text");
        // One blank separates the name from the text; the text is the rest, blanks included.
        if (!rest.empty()) rest.remove_prefix(1);
        while (!rest.empty() && (rest.back() == '\r' || rest.back() == '\n')) rest.remove_suffix(1);
        if (!gbk(rest, c.text)) return error("the text is not GBK text");
    } else if (word == "menu") {
        c.op = Op::menu;
        const std::string_view caption = trim(rest);
        if (caption.empty()) return error("expected: menu CAPTION");
        if (!gbk(caption, c.name)) return error("the caption is not GBK text");
    } else if (word == "answer") {
        c.op = Op::answer;
        const std::string_view name = next_word(rest);
        const std::string_view path = trim(rest);
        if (name.empty() || path.empty()) return error("expected: answer NAME PATH or answer NAME --cancel");
        if (!gbk(name, c.name)) return error("the name is not GBK text");
        if (path == "--cancel") {
            c.cancel = true;
        } else if (!gbk(path, c.text)) {
            return error("the path is not GBK text");
        }
    } else if (word == "show") {
        c.op = Op::show;
        if (!args_only(1, a)) return error("expected: show NAME, show list, show ini or show windows");
        if (!gbk(a[0], c.name)) return error("the name is not GBK text");
    } else {
        return error("unknown command");
    }
    return c;
}

std::variant<std::vector<Command>, ScriptError> parse_script(std::string_view script) {
    std::vector<Command> out;
    int number = 0;
    while (!script.empty() || number == 0) {
        ++number;
        const std::size_t nl = script.find('\n');
        std::string_view line = script.substr(0, nl);
        script.remove_prefix(nl == std::string_view::npos ? script.size() : nl + 1);
        auto parsed = parse_line(line, number);
        if (auto* e = std::get_if<ScriptError>(&parsed)) return *e;
        if (auto* c = std::get_if<Command>(&parsed)) out.push_back(std::move(*c));
        if (script.empty()) break;
    }
    return out;
}

}  // namespace tockly::sim
