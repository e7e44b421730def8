// The host's trace: with TOCKLY_TRACE=FILE set, every event the host delivers to a handler, every
// command a handler calls, every property it writes, and the host's own window events (open,
// close, input turned away, malformed calls, the end) are appended to FILE, one JSON object per
// line. It is meant for diagnosing a user's problem and for end-to-end tests. Texts are written
// as UTF-8. Every line starts with:
//
//   "seq"    1, 2, 3 ... in the order things happened
//   "clock"  the host's clock (shifted, see clock_setting.h) as "YYYY-MM-DD HH:MM:SS.mmm"
//   "kind"   one of:
//     "start"     the host has loaded the image ("shift_ms": the clock shift in effect)
//     "event"     "handler" (its name in the handler table), "args" (the event's words)
//     "command"   "name" (or "number" for an unknown one), "args", "result"; written when the
//                 command returns, so the lines of what it caused (the events of a window it
//                 opened, a modal window's whole life) come before it
//     "library"   "library", "command", "args"
//     "write"     "window", "unit" (hex identifiers), "property", "element", "value"
//     "open"      "window", "serial", "modal"; "close": "window", "serial"
//     "refused"   "input", "target"
//     "error"     "what": a malformed host call or a setting that was not understood
//     "sound"     "what": what became of a sound request on the sound thread ("mp3_playing",
//                 "mp3_failed", "mp3_refused", "mp3_cancelled", "wav_started", "wav_failed",
//                 "stopped"), "window": the serial of the window the sound belongs to, "error": its
//                 error number if any; "offered": an MP3 the quick check doubted; "resumed": a WAV
//                 heard again after a newer window's ended; "ended": what a stop ended ("mp3", "wav")
//     "exit"      "code"; "fatal": "code" of a fatal run-time error
//     "instance"  "outcome" of claiming the program folder ("first", "handed_over", "no_answer",
//                 "folder_unknown"), the mutex "name", "waited_ms"; "bring_back": another start asked for the
//                 main window
//     "query_end_session" "flags"; "end_session": Windows ends the session, so does Tockly
//     "rearm"     "why" ("time_change", "resume"), "timers": one-second timers armed afresh
//     "saved"     "path", "stored": the writer thread has replaced a file (or failed to); written
//                 when the window thread hears of it
//     "save_busy" "path": a try to replace the file met it held by another program; the writer
//                 tries again after a short pause
//     "memory"    "private_bytes" (the process's private memory as Windows counts it),
//                 "heap_bytes" (blocks in use on the process's heaps): when the main window is shown
//     "label_lines" "unit", "serial" (of its window), "text", "text_width" (of the text on one
//                 line), "room" (the label's width, pixels), "lines", "shown": how a label centred
//                 both ways lays out its text, each time its text or font changes
//     "calls"     "handler", "omitted", "commands" (a count by name): at the end of an event, the
//                 bulk commands (reading rows and texts, appending to the list or the save buffer)
//                 that were not written one by one, see below
//
// So that a trace stays readable at any table size, an event writes at most 64 lines of bulk
// commands (TOCKLY_TRACE_CALLS=N changes the allowance, `*` writes every one); the rest are
// summed up in its "calls" line. Every other command and every property write is always written.
//
// Argument values: a text as a string (one longer than 1024 bytes cut there, ending in
// " ... (N more bytes)"), an integer or date-time as a number, a logical as true or
// false, a byte set as {"bytes": length}, a unit as {"window": .., "unit": ..}, an omitted
// argument as null.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/core/date_time.h"
#include "host/core/runtime.h"
#include "host/core/unit_design.h"
#include "host/host.h"
#include "host/win32/json_line.h"
#include "host/win32/scoped_resources.h"

namespace tockly::host::win32 {

inline constexpr char kTraceVariable[] = "TOCKLY_TRACE";

class Trace {
  public:
    // The trace named by TOCKLY_TRACE, or null when it is not set or the file cannot be opened.
    static std::unique_ptr<Trace> from_environment(Clock& clock);
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    // A line with seq, clock and kind filled in.
    JsonLine line(std::string_view kind);
    void write(const JsonLine& line);
    // A GBK text as UTF-8.
    static std::string utf8(std::string_view gbk);
    // A "memory" line: the process's private bytes and the bytes in use on its heaps.
    void write_memory();

    // How many bulk command lines an event writes; negative: all.
    std::int64_t call_lines_per_event() const { return call_lines_; }

  private:
    Trace(ScopedHandle file, Clock& clock) : file_(std::move(file)), clock_(clock) {}
    ScopedHandle file_;
    std::int64_t call_lines_ = 64;
    Clock& clock_;
    std::uint64_t seq_ = 0;
};

// Installed as the runtime's handler hook: each event a handler is run for, and every host call
// the handler makes, reach the trace.
class HandlerTrace final : public HandlerHook {
  public:
    HandlerTrace(Trace& trace, const ProgramDesign* design) : trace_(trace), design_(design) {}
    void run(const HandlerEntry& entry, Host& host, const std::uint32_t* args) override;

  private:
    Trace& trace_;
    const ProgramDesign* design_;
};

}  // namespace tockly::host::win32
