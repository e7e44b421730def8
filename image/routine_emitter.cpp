#include "image/routine_emitter.h"

#include <cassert>

namespace tockly::image {

namespace {
constexpr std::uint32_t kSlotRelease = 0x20;
constexpr std::uint32_t kSlotRunUntilEnd = 0x24;
constexpr std::uint32_t kSlotStartLoop = 0x28;
constexpr std::uint32_t kSlotCreateStartWindow = 0x2c;
constexpr std::uint32_t kSlotRegisterCleanup = 0x30;

constexpr std::uint32_t kRelocHelperSlot = 0;
constexpr std::uint32_t kRelocVar = 2;
constexpr std::uint32_t kRelocCode = 3;
constexpr int kUnitIdentifierList = 0;
}  // namespace

void RoutineEmitter::u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) byte(static_cast<std::uint8_t>(v >> (8 * i)));
}

void RoutineEmitter::relocated(std::uint32_t value, std::uint32_t kind) {
    code_.relocations.push_back((here() << 3) | kind);
    u32(value);
}

void RoutineEmitter::call_rel(std::uint32_t target) {
    byte(0xE8);
    u32(target - (here() + 4));
}

void RoutineEmitter::call_slot(std::uint32_t slot) {
    byte(0xE8);
    slot_calls_[slot].push_back(here());
    u32(0);  // resolved by finish()
}

std::uint32_t RoutineEmitter::append(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t at = here();
    code_.bytes.insert(code_.bytes.end(), bytes.begin(), bytes.end());
    return at;
}

std::uint32_t RoutineEmitter::emit_init_routine() {
    std::uint32_t at = here();
    byte(0xC3);  // ret
    return at;
}

std::uint32_t RoutineEmitter::emit_cleanup_routine(std::uint32_t global_offset) {
    std::uint32_t at = here();
    byte(0xA1);  // mov eax, [global]
    relocated(global_offset, kRelocVar);
    byte(0x85);  // test eax, eax
    byte(0xC0);
    byte(0x74);  // jz done
    byte(1 + 5 + 3 + 10);  // push, call, add, mov
    byte(0x50);  // push eax
    call_slot(kSlotRelease);
    byte(0x83);  // add esp, 4
    byte(0xC4);
    byte(0x04);
    byte(0xC7);  // mov dword [global], 0
    byte(0x05);
    relocated(global_offset, kRelocVar);
    u32(0);
    byte(0xC3);  // done: ret
    return at;
}

std::uint32_t RoutineEmitter::emit_entry_routine(std::uint32_t init_offset, std::uint32_t cleanup_offset,
                                                 std::uint32_t start_word, std::uint32_t start_window_id) {
    std::uint32_t at = here();
    byte(0xFC);  // cld
    byte(0xDB);  // fninit
    byte(0xE3);
    call_rel(init_offset);
    byte(0x68);  // push start_word
    u32(start_word);
    byte(0x68);  // push clean-up routine
    relocated(cleanup_offset, kRelocCode);
    call_slot(kSlotRegisterCleanup);
    byte(0x83);  // add esp, 8
    byte(0xC4);
    byte(0x08);
    byte(0x68);  // push start-up window
    code_.reloc1[kUnitIdentifierList].push_back(here());
    u32(start_window_id);
    call_slot(kSlotCreateStartWindow);
    byte(0x83);  // add esp, 4
    byte(0xC4);
    byte(0x04);
    byte(0x6A);  // push 0
    byte(0x00);
    call_slot(kSlotStartLoop);
    byte(0x83);  // add esp, 4
    byte(0xC4);
    byte(0x04);
    call_slot(kSlotRunUntilEnd);  // does not return
    byte(0xCC);                   // int3: never reached
    return at;
}

EmittedCode RoutineEmitter::finish() {
    for (auto& [slot, calls] : slot_calls_) {
        std::uint32_t thunk = here();
        byte(0xFF);  // jmp dword [table + slot]
        byte(0x25);
        relocated(slot, kRelocHelperSlot);
        for (std::uint32_t pos : calls) {
            std::uint32_t rel = thunk - (pos + 4);
            for (int i = 0; i < 4; ++i) code_.bytes[pos + i] = static_cast<std::uint8_t>(rel >> (8 * i));
        }
    }
    slot_calls_.clear();
    return std::move(code_);
}

}  // namespace tockly::image
