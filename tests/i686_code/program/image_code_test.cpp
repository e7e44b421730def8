// Runs the machine code of Tockly's image as a 32-bit x86 program does: the code is copied into
// executable memory, relocated with the real addresses of a helper table, the const data and a
// zero-filled var segment, and then its handler routines and its entry routine are called. The
// helper slots are cdecl functions that record every call and the stack pointer it arrived with,
// so the test sees the calling convention, the order of the start-up calls and the stack balance
// of the real code, not a decoding of it.
//
// Usage: image_code_test <image file>. Exits 0 when everything holds; otherwise prints each
// mismatch and exits 1.

#if !defined(__i386__)
#error "image_code_test runs the image's 32-bit code and must be compiled for i386 (-m32)"
#endif

#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/core/unit_design.h"
#include "host/host_constants.h"
#include "image/container.h"
#include "image/container_format.h"
#include "image/form_reader.h"
#include "image/handler_stub.h"
#include "image/hex_text.h"
#include "image/relocation.h"

namespace cf = tockly::image::container_format;
namespace slot = tockly::host::slot;
using tockly::image::RelocationKind;

constexpr std::uint32_t kSlotCount = slot::table_size / 4;
// The stack frame of the entry routine holds no locals: what it pushes for a slot call is the
// arguments, so the slot's return address lies this many words below the routine's own.
constexpr std::uint32_t kFiller = 0x5A5A5A5Au;

// --- What the slots see -----------------------------------------------------------------------------

// Written by the slot trampolines below (assembly): the stack pointer each slot was entered with,
// i.e. the address of its return address, and the slot index of a slot the test does not provide.
extern "C" {
std::uint32_t g_slot_esp[kSlotCount];
std::uint32_t g_missing_slot;
void slot_trampolines();  // kSlotCount trampolines, 32 bytes apart
}

namespace {

using Routine = void (*)();

int g_failures = 0;
std::vector<std::uint32_t> g_calls;  // slots in call order
std::uint32_t g_entry_esp = 0;       // the stack pointer on entering the entry routine
std::uint8_t* g_code = nullptr;
std::size_t g_code_size = 0;
std::uint32_t* g_var = nullptr;
std::vector<std::uint32_t> g_window_ids;

Routine g_cleanup = nullptr;
std::uint32_t g_cleanup_word = 0;
std::uint32_t g_start_window = 0;
std::int32_t g_start_value = -1;
std::vector<void*> g_released;

void check(bool ok, const std::string& what) {
    if (!ok) {
        std::fprintf(stderr, "FAIL: %s\n", what.c_str());
        ++g_failures;
    }
}

std::string hex(std::uint32_t v) {
    return tockly::image::hex(v, 8, tockly::image::HexLetters::lower);
}

std::uint32_t address(const void* p) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

bool in_code(std::uint32_t a) {
    return a >= address(g_code) && a < address(g_code) + g_code_size;
}

[[noreturn]] void finish() {
    if (g_failures == 0) {
        std::printf("image code: all checks passed\n");
        std::fflush(stdout);
        std::_Exit(0);
    }
    std::fflush(stdout);
    std::fprintf(stderr, "image code: %d check(s) failed\n", g_failures);
    std::_Exit(1);
}

// A slot call from the entry routine: arrives in order, from a call inside the code, with the
// routine's stack holding exactly `arg_words` pushed arguments.
void check_entry_call(std::uint32_t slot_offset, std::uint32_t arg_words) {
    const std::uint32_t index = slot_offset / 4;
    g_calls.push_back(slot_offset);
    const std::uint32_t esp = g_slot_esp[index];
    const std::uint32_t return_address = *reinterpret_cast<const std::uint32_t*>(esp);
    check(in_code(return_address), "slot " + hex(slot_offset) + " is called from " + hex(return_address) +
                                       ", outside the image's code");
    check(esp == g_entry_esp - 4 - 4 * arg_words,
          "slot " + hex(slot_offset) + " entered with the stack " + std::to_string(int(g_entry_esp - esp)) +
              " bytes below the entry routine's, expected " + std::to_string(4 * (arg_words + 1)) +
              " (its arguments and return address): the routine leaves the stack unbalanced");
}

void check_call_order(const std::vector<std::uint32_t>& expected, const char* when) {
    std::string got;
    for (std::uint32_t s : g_calls) got += hex(s) + " ";
    check(g_calls == expected, std::string("slot calls ") + when + ": " + got);
}

// Calls `fn` with `arg_words` words pushed, the way a caller of an event handler does, and answers
// how many bytes the callee left on the stack (0 when it removed exactly its arguments) and eax.
struct CallResult {
    std::int32_t left_on_stack;
    std::uint32_t eax;
};
CallResult call_pushing(std::uint32_t fn, std::uint32_t arg_words) {
    std::uint32_t before, after, eax;
    std::uint32_t n = arg_words;
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl %[filler]\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "call *%%ebx\n\t"
        "movl %%esp, %%edi\n\t"
        "movl %%esi, %%esp\n\t"
        : "=S"(before), "=D"(after), "=a"(eax), "+c"(n)
        : "b"(fn), [filler] "i"(kFiller)
        : "edx", "memory", "cc");
    return {static_cast<std::int32_t>(before - after), eax};
}

// --- The slots ------------------------------------------------------------------------------------

extern "C" {

__attribute__((cdecl, used, force_align_arg_pointer)) void slot_missing() {
    check(false, "the image called helper slot " + hex(g_missing_slot * 4) + ", which it should not need");
    finish();
}

__attribute__((cdecl, used, force_align_arg_pointer)) void slot_release(void* block) {
    // Only the clean-up routine releases; it is called from our own code, not from the entry routine.
    g_calls.push_back(slot::release);
    const std::uint32_t return_address =
        *reinterpret_cast<const std::uint32_t*>(g_slot_esp[slot::release / 4]);
    check(in_code(return_address), "release is called from " + hex(return_address) + ", outside the code");
    g_released.push_back(block);
}

__attribute__((cdecl, used, force_align_arg_pointer)) void slot_register_cleanup(std::uint32_t routine,
                                                                                 std::uint32_t word) {
    check_entry_call(slot::register_cleanup, 2);
    g_cleanup = reinterpret_cast<Routine>(routine);
    g_cleanup_word = word;
    check(in_code(routine), "the clean-up routine " + hex(routine) +
                                " does not lie in the relocated code: the code relocation was not applied");
    check(word == 3, "register clean-up takes the value 3, got " + hex(word));
}

__attribute__((cdecl, used, force_align_arg_pointer)) void slot_create_start_window(std::uint32_t window) {
    check_entry_call(slot::create_start_window, 1);
    g_start_window = window;
    bool known = false;
    for (std::uint32_t id : g_window_ids) known = known || id == window;
    check(known, "the start-up window " + hex(window) + " is not a window of the form data");
}

__attribute__((cdecl, used, force_align_arg_pointer)) void slot_start_loop(std::int32_t value) {
    check_entry_call(slot::start_loop, 1);
    g_start_value = value;
    check(value == 0, "the start slot takes 0, got " + std::to_string(value));
}

__attribute__((cdecl, used, force_align_arg_pointer)) void slot_run_until_end() {
    check_entry_call(slot::run_until_end, 0);
    check_call_order(
        {slot::register_cleanup, slot::create_start_window, slot::start_loop, slot::run_until_end},
        "of the entry routine");
    if (g_cleanup == nullptr) {
        check(false, "no clean-up routine was registered before the program ran");
        finish();
    }

    // As if a reminder had fired: the text global holds a text of ours.
    char* text = static_cast<char*>(std::malloc(16));
    std::strcpy(text, "reminder");
    g_var[0] = address(text);
    const auto first = call_pushing(address(reinterpret_cast<const void*>(g_cleanup)), 0);
    check(first.left_on_stack == 0,
          "the clean-up routine leaves " + std::to_string(first.left_on_stack) + " bytes on the stack");
    check(g_released.size() == 1 && g_released[0] == text,
          "the clean-up routine releases the text global exactly once (" + std::to_string(g_released.size()) +
              " release(s))");
    check(g_var[0] == 0, "the clean-up routine clears the text global, which holds " + hex(g_var[0]));
    std::free(text);

    // The global is now empty: a second clean-up releases nothing.
    const auto second = call_pushing(address(reinterpret_cast<const void*>(g_cleanup)), 0);
    check(second.left_on_stack == 0,
          "a second clean-up leaves " + std::to_string(second.left_on_stack) + " bytes on the stack");
    check(g_released.size() == 1,
          "a second clean-up releases again (" + std::to_string(g_released.size()) + " release(s) in all)");
    check(g_var[0] == 0, "the text global is not null after the second clean-up");
    check_call_order({slot::register_cleanup, slot::create_start_window, slot::start_loop,
                      slot::run_until_end, slot::release},
                     "after both clean-ups");
    finish();  // does not return to the image
}

}  // extern "C"

// Each trampoline stores the stack pointer the slot was entered with (the address of the return
// address) and jumps on to the slot, leaving the stack as the image's code built it. One per slot,
// 32 bytes apart; the slot offset is the trampoline's index x 4.
// clang-format off
#define TOCKLY_TRAMPOLINE(index, target)        \
    ".balign 32\n\t"                            \
    "movl %esp, g_slot_esp+4*" #index "\n\t"    \
    "movl $" #index ", g_missing_slot\n\t"      \
    "jmp " #target "\n\t"
asm(".text\n\t"
    ".globl slot_trampolines\n\t"
    ".balign 32\n"
    "slot_trampolines:\n\t"
    TOCKLY_TRAMPOLINE(0, slot_missing)
    TOCKLY_TRAMPOLINE(1, slot_missing)
    TOCKLY_TRAMPOLINE(2, slot_missing)
    TOCKLY_TRAMPOLINE(3, slot_missing)
    TOCKLY_TRAMPOLINE(4, slot_missing)
    TOCKLY_TRAMPOLINE(5, slot_missing)
    TOCKLY_TRAMPOLINE(6, slot_missing)
    TOCKLY_TRAMPOLINE(7, slot_missing)
    TOCKLY_TRAMPOLINE(8, slot_release)
    TOCKLY_TRAMPOLINE(9, slot_run_until_end)
    TOCKLY_TRAMPOLINE(10, slot_start_loop)
    TOCKLY_TRAMPOLINE(11, slot_create_start_window)
    TOCKLY_TRAMPOLINE(12, slot_register_cleanup));
// clang-format on
static_assert(kSlotCount == 13, "one trampoline per slot of the helper table");
static_assert(slot::release == 8 * 4 && slot::run_until_end == 9 * 4 && slot::start_loop == 10 * 4 &&
                  slot::create_start_window == 11 * 4 && slot::register_cleanup == 12 * 4,
              "the trampolines lead each slot to its function");

// --- Loading ----------------------------------------------------------------------------------------

std::vector<std::uint8_t> read_file(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "image_code_test: cannot open %s\n", path);
        std::exit(2);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T>
T must(tockly::image::Result<T> r, const char* what) {
    if (!r) {
        std::fprintf(stderr, "image_code_test: %s: %s\n", what, r.error().message().c_str());
        std::exit(2);
    }
    return std::move(r).value();
}

void* map_memory(std::size_t size, int protection) {
    void* p = mmap(nullptr, size, protection, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
        std::perror("mmap");
        std::exit(2);
    }
    return p;  // zero-filled
}

// Every handler routine the form binds: called with the arguments its event passes, it must remove
// exactly those and answer its handler index in eax, as the stub at that offset says.
void check_handlers(const tockly::image::FormData& form, std::span<const std::uint8_t> stored_code) {
    int called = 0;
    auto call = [&](std::uint32_t offset, std::uint32_t args, const std::string& where) {
        ++called;
        auto stub = tockly::image::decode_handler_stub(stored_code, offset);
        if (!stub) {
            check(false, where + ": no handler routine at code offset " + hex(offset));
            return;
        }
        const auto r = call_pushing(address(g_code + offset), args);
        check(r.left_on_stack == 0, where + ": the routine at " + hex(offset) + " called with " +
                                        std::to_string(args) + " argument(s) leaves " +
                                        std::to_string(r.left_on_stack) + " bytes on the stack");
        check(r.eax == stub->handler_index,
              where + ": the routine answers " + hex(r.eax) + ", not its index " + hex(stub->handler_index));
    };
    for (const auto& window : form.windows) {
        for (const auto& unit : window.units) {
            const std::string where = "window " + hex(window.id) + " unit " + hex(unit.id);
            if (const auto* menu = unit.menu_item()) {
                if (auto h = menu->selection_handler()) call(*h, 0, where + " menu selection");
            } else if (const auto* rec = unit.unit()) {
                for (const auto& b : rec->bindings) {
                    call(b.handler, tockly::host::event_argument_count(rec->type, b.event),
                         where + " event " + std::to_string(b.event));
                }
            }
        }
    }
    check(called > 0, "the form binds no handler routine");
    check(g_calls.empty(), "a handler routine called a helper slot");
    std::printf("image code: %d handler routine(s) called\n", called);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: image_code_test <image file>\n");
        return 2;
    }
    const auto bytes = read_file(argv[1]);
    const auto img = must(tockly::image::read_image(bytes), "reading the image");
    const auto layout = must(tockly::image::compute_layout(img), "laying out the image");

    const tockly::image::Segment* code = img.find(cf::code_name);
    const tockly::image::Segment* var = img.find(cf::var_name);
    const tockly::image::Segment* cnst = img.find(cf::const_name);
    const tockly::image::Segment* form_seg = img.find(cf::form_name);
    if (code == nullptr || !code->data || code->data->empty() || var == nullptr || form_seg == nullptr ||
        !form_seg->data) {
        std::fprintf(stderr, "image_code_test: the image lacks its code, var or form segment\n");
        return 2;
    }
    std::uint64_t code_at = 0;
    for (std::size_t i = 0; i < img.segments.size(); ++i) {
        if (&img.segments[i] == code) code_at = layout.segments[i].data_offset;
    }
    const auto form = must(tockly::image::read_form(*form_seg->data), "reading the form data");
    for (const auto& w : form.windows) g_window_ids.push_back(w.id);

    // Every helper slot the code names must lie inside the host's table.
    for (std::uint32_t entry : code->relocations) {
        const auto r = must(tockly::image::decode_relocation(entry), "decoding a relocation");
        if (r.kind != RelocationKind::helper_slot || r.position + 4 > code->data->size()) continue;
        std::uint32_t value;
        std::memcpy(&value, code->data->data() + r.position, 4);
        check(value % 4 == 0 && value < slot::table_size,
              "the code at " + hex(r.position) + " names helper slot " + hex(value) + ", outside the table");
    }

    g_code_size = code->data->size();
    g_code = static_cast<std::uint8_t*>(map_memory(g_code_size, PROT_READ | PROT_WRITE | PROT_EXEC));
    std::memcpy(g_code, code->data->data(), g_code_size);
    g_var = static_cast<std::uint32_t*>(map_memory(var->memory_size + 4u, PROT_READ | PROT_WRITE));
    static std::uint32_t table[kSlotCount];
    for (std::uint32_t i = 0; i < kSlotCount; ++i) {
        table[i] = address(reinterpret_cast<const void*>(slot_trampolines)) + 32 * i;
    }
    const tockly::image::RelocationBases bases{
        address(table), cnst != nullptr && cnst->data ? address(cnst->data->data()) : 0, address(g_var),
        address(g_code)};
    if (auto st = tockly::image::apply_relocations({g_code, g_code_size}, code->relocations, bases); !st) {
        std::fprintf(stderr, "image_code_test: relocating: %s\n", st.error().message().c_str());
        return 2;
    }

    check_handlers(form, *code->data);

    const std::uint64_t entry = img.header.entry;
    if (entry < code_at || entry - code_at >= g_code_size) {
        std::fprintf(stderr, "image_code_test: the entry %s does not lie in the code\n", hex(entry).c_str());
        return 2;
    }
    const std::uint32_t entry_address = address(g_code + (entry - code_at));
    // Call the entry routine from a known stack: the slots compare their stack with it.
    asm volatile(
        "movl %%esp, %[esp]\n\t"
        "subl $4, %[esp]\n\t"
        "call *%[fn]\n\t"
        : [esp] "=m"(g_entry_esp)
        : [fn] "r"(entry_address)
        : "eax", "ecx", "edx", "memory", "cc");
    check(false, "the entry routine returned: slot " + hex(slot::run_until_end) + " must not return to it");
    finish();
}
