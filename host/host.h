// The host interface: everything Tockly's handlers may ask of the runtime host, and nothing more.
// The operations mirror the image's helper slots: call a core command, call another library's
// command, read a property, write a property, allocate, release, report a fatal error. Handlers
// reach windows, files, sound, processes and the clock only through these.
//
// No exception ever crosses this interface: every operation reports through its result.
#pragma once

#include <cstdint>
#include <span>

#include "host/host_constants.h"

namespace tockly::host {

// One argument of a library command: three words (low, high, type). On the 32-bit target the
// layout is exactly the image's three 32-bit words; on a 64-bit build `low` is pointer-wide so
// that a text or byte set pointer fits.
struct ArgRecord {
    std::uintptr_t low = 0;   // the value, the low half of a 64-bit value, or a pointer
    std::uint32_t high = 0;   // the high half of a 64-bit value; the unit identifier of a unit reference
    std::uint32_t type = 0;   // a type word (host_constants.h)
};

// A handler: takes its event's 32-bit arguments (their number is the handler's arg_count).
class Host;
using HandlerFn = void (*)(Host& host, const std::uint32_t* args);

struct HandlerEntry {
    const char* name;          // for traces and error messages
    std::uint32_t arg_count;   // 32-bit words the event passes
    HandlerFn fn;
};

class Host {
public:
    virtual ~Host() = default;

    // Slot 0x0C: a core command. 32-bit results come zero-extended; a date-time is the whole
    // 64-bit value; a text or array result is a pointer owned by the caller (null allowed).
    virtual std::uint64_t call_core(std::uint32_t command, std::span<const ArgRecord> args) = 0;

    // Slot 0x08: a command of another support library, by its row in the image's library table.
    virtual std::uint64_t call_library(std::uint32_t library, std::uint32_t command,
                                       std::span<const ArgRecord> args) = 0;

    // Slot 0x10: a unit property (element -1 for the whole property). A text value is a new
    // copy owned by the caller, returned as a pointer.
    virtual std::uint64_t read_property(std::uint32_t window, std::uint32_t unit, std::uint32_t index,
                                        std::int32_t element) = 0;

    // Slot 0x14: write a unit property. A text is passed as a pointer in `low` and copied.
    virtual void write_property(std::uint32_t window, std::uint32_t unit, std::uint32_t index,
                                std::int32_t element, std::uintptr_t low, std::uint32_t high) = 0;

    // Slots 0x18 and 0x20: memory for texts and arrays that the caller owns.
    virtual void* allocate(std::uint32_t size) = 0;
    virtual void release(void* block) = 0;

    // Slot 0x00: a fatal run-time error (1: index past the last element, 4: index below 1).
    [[noreturn]] virtual void fatal(std::uint32_t code) = 0;

    // Storage of a pointer-sized global of the image's `var` segment, by its offset there.
    // (The one global Tockly has is its reminder message, at offset 0.)
    virtual void** global_slot(std::uint32_t var_offset) = 0;
};

}  // namespace tockly::host
