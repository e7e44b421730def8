// Writes the machine code of an image we build: real 32-bit x86 routines that reach the host only
// through relocated thunks. Records, for every value the host must adjust, a relocation entry
// (addresses) or an @reloc1 position (unit identifiers), so the result is ready for the container.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace tockly::image {

struct EmittedCode {
    std::vector<std::uint8_t> bytes;
    // (position << 3) | kind, in the order they were emitted.
    std::vector<std::uint32_t> relocations;
    // The four @reloc1 lists: unit identifiers, (unused), library numbers, unit type words.
    std::vector<std::uint32_t> reloc1[4];
};

class RoutineEmitter {
public:
    std::uint32_t here() const { return static_cast<std::uint32_t>(code_.bytes.size()); }

    // The empty initialisation routine.
    std::uint32_t emit_init_routine();

    // The clean-up routine: releases the text global at `global_offset` of the var segment if it is
    // not null, and clears it.
    std::uint32_t emit_cleanup_routine(std::uint32_t global_offset);

    // The entry routine: forward string operations and a reset FPU, the initialisation routine, then
    // the host's start-up slots in order (register clean-up with `start_word`, create the start-up
    // window, start, run until the end; the last does not return).
    std::uint32_t emit_entry_routine(std::uint32_t init_offset, std::uint32_t cleanup_offset,
                                     std::uint32_t start_word, std::uint32_t start_window_id);

    // Appends one 6-byte indirect jump per slot called so far and resolves every call to it.
    // Call once, last.
    EmittedCode finish();

    // Appends raw bytes (e.g. handler routines) and answers their offset.
    std::uint32_t append(const std::vector<std::uint8_t>& bytes);

private:
    void byte(std::uint8_t b) { code_.bytes.push_back(b); }
    void u32(std::uint32_t v);
    void call_slot(std::uint32_t slot);
    void call_rel(std::uint32_t target);
    void relocated(std::uint32_t value, std::uint32_t kind);

    EmittedCode code_;
    std::map<std::uint32_t, std::vector<std::uint32_t>> slot_calls_;  // slot -> rel32 positions
};

}  // namespace tockly::image
