#include "host/win32/trace.h"

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "host/core/arg_access.h"
#include "host/core/property_store.h"
#include "host/core/text_scan.h"
#include "host/core/wide_text_win32.h"
#include "host/host_constants.h"
#include "image/text_routines.h"

namespace tockly::host::win32 {

namespace {

std::string clock_text(std::int64_t ms) {
    const DateTimeParts p = split_date_time(ms);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04lld-%02d-%02d %02d:%02d:%02d.%03d",
                  static_cast<long long>(p.date.year), p.date.month, p.date.day, p.hour, p.minute, p.second,
                  p.millisecond);
    return buf;
}

// Texts longer than this are cut in the trace (a whole table would make every save's lines
// megabytes long): the first bytes stand, followed by how many more there were.
constexpr std::size_t kTracedTextBytes = 1024;

std::string text_value(const void* text) {
    const char* gbk = text != nullptr ? static_cast<const char*>(text) : "";
    const std::size_t length = image::text_length(gbk);
    if (length <= kTracedTextBytes) return json_string(Trace::utf8(gbk));
    std::size_t cut = 0;
    while (cut < kTracedTextBytes) {
        const auto byte = static_cast<unsigned char>(gbk[cut]);
        const std::size_t size = byte >= 0x81 && byte <= 0xFE ? 2 : 1;  // a GBK character stays whole
        if (cut + size > kTracedTextBytes) break;
        cut += size;
    }
    return json_string(Trace::utf8(std::string_view(gbk, cut)) + " ... (" + std::to_string(length - cut) +
                       " more bytes)");
}

std::string arg_value(const ArgRecord& a) {
    switch (a.type) {
        case type_word::omitted:
            return "null";
        case type_word::logical:
            return a.low != 0 ? "true" : "false";
        case type_word::integer:
            return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(a.low)));
        case type_word::date_time:
            return std::to_string(static_cast<std::int64_t>((static_cast<std::uint64_t>(a.high) << 32) |
                                                            static_cast<std::uint32_t>(a.low)));
        case type_word::text:
            return text_value(reinterpret_cast<const void*>(a.low));
        case type_word::byte_set: {
            std::uint32_t head[2] = {0, 0};
            if (a.low != 0) std::memcpy(head, reinterpret_cast<const void*>(a.low), sizeof head);
            return JsonLine().number("bytes", head[1]).object();
        }
        default:
            if (type_word::is_unit(a.type)) {
                return JsonLine()
                    .text("window", hex_id(static_cast<std::uint32_t>(a.low)))
                    .text("unit", hex_id(a.high))
                    .object();
            }
            return JsonLine().text("type", hex_id(a.type)).object();
    }
}

std::string args_value(std::span<const ArgRecord> args) {
    std::string out = "[";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i != 0) out += ',';
        out += arg_value(args[i]);
    }
    return out + "]";
}

bool returns_text(std::uint32_t command) {
    namespace c = command;
    switch (command) {
        case c::program_directory:
        case c::left_part:
        case c::middle_part:
        case c::integer_to_text:
        case c::combo_item_text:
        case c::list_item_text:
        case c::ini_read:
            return true;
        default:
            return false;
    }
}

// Commands a handler may call once a row of the table: reading the table and texts, and building
// the list and the save buffer. Past an event's allowance their lines are summed up instead.
bool is_bulk(std::uint32_t command) {
    namespace c = command;
    switch (command) {
        case c::left_part:
        case c::middle_part:
        case c::integer_to_text:
        case c::to_integer:
        case c::combo_item_text:
        case c::list_count:
        case c::list_item_text:
        case c::list_append:
        case c::edit_append:
            return true;
        default:
            return false;
    }
}

// Forwards every call to the host underneath and writes commands and property writes to the trace.
class TracingHost final : public Host {
  public:
    TracingHost(Host& inner, Trace& trace, const ProgramDesign* design)
        : inner_(inner), trace_(trace), design_(design) {}

    // Bulk commands called past the event's allowance, not written one by one.
    std::uint64_t omitted() const { return omitted_total_; }
    std::string omitted_by_command() const {
        JsonLine counts;
        std::vector<std::pair<std::uint32_t, std::uint64_t>> by_number = omitted_;
        std::sort(by_number.begin(), by_number.end());
        for (const auto& [command, count] : by_number) {
            const char* name = command_name(command);
            counts.number(name != nullptr ? name : hex_id(command), static_cast<std::int64_t>(count));
        }
        return counts.object();
    }

    std::uint64_t call_core(std::uint32_t command, std::span<const ArgRecord> args) override {
        if (is_bulk(command) && trace_.call_lines_per_event() >= 0) {
            if (bulk_written_ >= static_cast<std::uint64_t>(trace_.call_lines_per_event())) {
                ++omitted_total_;
                count_omitted(command);
                return inner_.call_core(command, args);
            }
            ++bulk_written_;
        }
        const std::string arguments = args_value(args);
        const std::uint64_t result = inner_.call_core(command, args);
        JsonLine line = trace_.line("command");
        if (const char* name = command_name(command)) {
            line.text("name", name);
        } else {
            line.text("number", hex_id(command));
        }
        line.raw("args", arguments);
        if (returns_text(command)) {
            line.raw("result",
                     text_value(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(result))));
        } else {
            line.number("result", static_cast<std::int64_t>(result));
        }
        trace_.write(line);
        return result;
    }
    std::uint64_t call_library(std::uint32_t library, std::uint32_t command,
                               std::span<const ArgRecord> args) override {
        trace_.write(trace_.line("library")
                         .number("library", library)
                         .number("command", command)
                         .raw("args", args_value(args)));
        return inner_.call_library(library, command, args);
    }
    std::uint64_t read_property(std::uint32_t window, std::uint32_t unit, std::uint32_t index,
                                std::int32_t element) override {
        return inner_.read_property(window, unit, index, element);
    }
    void write_property(std::uint32_t window, std::uint32_t unit, std::uint32_t index, std::int32_t element,
                        std::uintptr_t low, std::uint32_t high) override {
        JsonLine line = trace_.line("write");
        line.text("window", hex_id(window))
            .text("unit", hex_id(unit))
            .number("property", index)
            .number("element", element);
        if (is_text(window, unit, index, element)) {
            line.raw("value", text_value(reinterpret_cast<const void*>(low)));
        } else {
            line.number("value", static_cast<std::int32_t>(static_cast<std::uint32_t>(low)));
        }
        trace_.write(line);
        inner_.write_property(window, unit, index, element, low, high);
    }
    void* allocate(std::uint32_t size) override { return inner_.allocate(size); }
    void release(void* block) override { inner_.release(block); }
    [[noreturn]] void fatal(std::uint32_t code) override {
        inner_.fatal(code);
        std::abort();  // a host whose fatal returned
    }
    void** global_slot(std::uint32_t var_offset) override { return inner_.global_slot(var_offset); }

  private:
    bool is_text(std::uint32_t window, std::uint32_t unit, std::uint32_t index, std::int32_t element) const {
        if (design_ == nullptr) return false;
        const WindowDesign* w = design_->find(window);
        const UnitDesign* u = w != nullptr ? w->find(unit) : nullptr;
        if (u == nullptr) return false;
        auto kind = property_kind(u->type, index, element);
        return kind && *kind == PropertyKind::text;
    }

    Host& inner_;
    Trace& trace_;
    const ProgramDesign* design_;
    std::uint64_t bulk_written_ = 0;
    std::uint64_t omitted_total_ = 0;
    // A handful of kinds at most (the rows' reads): a short list searched in place costs less
    // than a tree for every row.
    std::vector<std::pair<std::uint32_t, std::uint64_t>> omitted_;

    void count_omitted(std::uint32_t command) {
        for (auto& [kind, count] : omitted_) {
            if (kind == command) {
                ++count;
                return;
            }
        }
        omitted_.emplace_back(command, 1);
    }
};

}  // namespace

std::unique_ptr<Trace> Trace::from_environment(Clock& clock) {
    const DWORD size = GetEnvironmentVariableW(L"TOCKLY_TRACE", nullptr, 0);
    if (size <= 1) return nullptr;
    std::wstring path(size, L'\0');
    const DWORD got = GetEnvironmentVariableW(L"TOCKLY_TRACE", path.data(), size);
    if (got == 0 || got >= size) return nullptr;
    path.resize(got);
    ScopedHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    auto trace = std::unique_ptr<Trace>(new Trace(std::move(file), clock));
    wchar_t limit[32] = {};
    const DWORD limit_size = GetEnvironmentVariableW(L"TOCKLY_TRACE_CALLS", limit, 32);
    if (limit_size > 0 && limit_size < 32) {
        trace->call_lines_ =
            limit[0] == L'*' ? -1 : static_cast<std::int64_t>(std::wcstoll(limit, nullptr, 10));
    }
    return trace;
}

JsonLine Trace::line(std::string_view kind) {
    JsonLine line;
    line.number("seq", static_cast<std::int64_t>(++seq_))
        .text("clock", clock_text(clock_.now_local_ms()))
        .text("kind", kind);
    return line;
}

void Trace::write(const JsonLine& line) {
    // One write per line, straight to the file: a trace is complete up to a crash.
    const std::string text = line.str();
    DWORD written = 0;
    WriteFile(file_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void Trace::write_memory() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    const bool have_counters =
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters) != 0;
    // Walks every block of every heap: only for the trace, once.
    std::uint64_t in_use = 0;
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) in_use += entry.cbData;
        }
        HeapUnlock(heaps[i]);
    }
    JsonLine memory = line("memory");
    if (have_counters) memory.number("private_bytes", static_cast<std::int64_t>(counters.PrivateUsage));
    write(memory.number("heap_bytes", static_cast<std::int64_t>(in_use)));
}

std::string Trace::utf8(std::string_view gbk) {
    return utf8_from_wide(wide_from_gbk(gbk));
}

void HandlerTrace::run(const HandlerEntry& entry, Host& host, const std::uint32_t* args) {
    std::string words = "[";
    for (std::uint32_t i = 0; i < entry.arg_count; ++i) {
        if (i != 0) words += ',';
        words += std::to_string(args[i]);
    }
    words += "]";
    trace_.write(
        trace_.line("event").text("handler", entry.name != nullptr ? entry.name : "?").raw("args", words));
    TracingHost traced(host, trace_, design_);
    entry.fn(traced, args);
    if (traced.omitted() != 0) {
        trace_.write(trace_.line("calls")
                         .text("handler", entry.name != nullptr ? entry.name : "?")
                         .number("omitted", static_cast<std::int64_t>(traced.omitted()))
                         .raw("commands", traced.omitted_by_command()));
    }
}

}  // namespace tockly::host::win32
