#include "host/win32/image_entry.h"

#include <windows.h>

#include <cstring>

#include "host/host_constants.h"
#include "host/win32/internal_error_guard.h"
#include "image/container_format.h"
#include "image/relocation.h"

namespace tockly::host::win32 {

namespace cf = image::container_format;

namespace {
// Every build loads the image once through the host core first: that checks all of it. The
// addresses it relocates that copy with are never executed.
image::Result<LoadedImage> load_checked(std::span<const std::uint8_t> bytes,
                                        std::span<const HandlerEntry> handlers) {
    return load_image(bytes, handlers, image::stand_in_bases);
}

}  // namespace

#if !defined(__i386__)
#error "corlb runs the image's i686 machine code: build it for i686"
#endif

// --- i686: the image's entry and clean-up routines run as real code ---------------------------------

struct PreparedImage::Memory {
    void* code = nullptr;
    void* var = nullptr;
    // The helper table the thunks jump through, by slot / 4.
    std::uint32_t table[slot::table_size / 4] = {};
};

namespace {

Runtime* g_runtime = nullptr;
using Routine = void (*)();
Routine g_cleanup = nullptr;
std::uint32_t g_start_window = 0;

// Helper slots are called from the image's code with the C calling convention; the stack is
// realigned for our code, and no exception ever unwinds into the image's frames.
#define TOCKLY_SLOT extern "C" __attribute__((cdecl, force_align_arg_pointer, used))

TOCKLY_SLOT void tockly_slot_fatal(std::uint32_t code) {
    g_runtime->fatal(code);
}
TOCKLY_SLOT void* tockly_slot_allocate(std::uint32_t size) {
    return guard_internal_errors([&] { return g_runtime->allocate(size); });
}
TOCKLY_SLOT void tockly_slot_release(void* block) {
    guard_internal_errors([&] { g_runtime->release(block); });
}
TOCKLY_SLOT void tockly_slot_register_cleanup(Routine routine, std::uint32_t word) {
    (void)word;  // the image's usual start word; nothing depends on it
    g_cleanup = routine;
}
TOCKLY_SLOT void tockly_slot_create_start_window(std::uint32_t window) {
    guard_internal_errors([&] {
        if (window != g_start_window)
            end_after_internal_error("the entry routine creates a window other than the start-up window");
        g_runtime->start();
    });
}
TOCKLY_SLOT void tockly_slot_start(std::int32_t value) {
    (void)value;
}
TOCKLY_SLOT void tockly_slot_run_until_end() {
    guard_internal_errors([&] {
        g_runtime->run_until_end();
        g_runtime->finish();  // runs the clean-up routine
    });
    ExitProcess(0);
}
TOCKLY_SLOT void tockly_slot_not_provided() {
    end_after_internal_error("the image called a helper slot this host does not provide");
}

void free_memory(PreparedImage::Memory* memory) {
    if (memory == nullptr) return;
    if (memory->code != nullptr) VirtualFree(memory->code, 0, MEM_RELEASE);
    if (memory->var != nullptr) VirtualFree(memory->var, 0, MEM_RELEASE);
    delete memory;
}

std::uint32_t address(const void* p) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p));
}

}  // namespace

image::Result<std::unique_ptr<PreparedImage>> prepare_image(std::span<const std::uint8_t> bytes,
                                                            std::span<const HandlerEntry> handlers) {
    TOCKLY_TRY(loaded, load_checked(bytes, handlers));
    auto prepared = std::make_unique<PreparedImage>();
    prepared->loaded = std::move(loaded.value());
    LoadedImage& li = prepared->loaded;

    const image::Segment* code = li.image.find(cf::code_name);
    const image::Segment* var = li.image.find(cf::var_name);
    if (code == nullptr || !code->data || var == nullptr)
        return image::make_error("code", 0, "no code or var segment");

    prepared->memory = {new PreparedImage::Memory, free_memory};
    PreparedImage::Memory& memory = *prepared->memory;
    memory.code =
        VirtualAlloc(nullptr, code->data->size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    // Zero-filled by the system, as the globals must start.
    memory.var = VirtualAlloc(nullptr, var->memory_size + 4u, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (memory.code == nullptr || memory.var == nullptr)
        return image::make_error("code", 0, "no memory for the image's code and globals");
    for (std::uint32_t& entry : memory.table)
        entry = address(reinterpret_cast<const void*>(&tockly_slot_not_provided));
    auto set = [&](std::uint32_t slot_offset, const void* fn) {
        memory.table[slot_offset / 4] = address(fn);
    };
    set(slot::fatal_error, reinterpret_cast<const void*>(&tockly_slot_fatal));
    set(slot::allocate, reinterpret_cast<const void*>(&tockly_slot_allocate));
    set(slot::release, reinterpret_cast<const void*>(&tockly_slot_release));
    set(slot::run_until_end, reinterpret_cast<const void*>(&tockly_slot_run_until_end));
    set(slot::start_loop, reinterpret_cast<const void*>(&tockly_slot_start));
    set(slot::create_start_window, reinterpret_cast<const void*>(&tockly_slot_create_start_window));
    set(slot::register_cleanup, reinterpret_cast<const void*>(&tockly_slot_register_cleanup));

    const image::RelocationBases bases{address(memory.table), address(li.const_pool().data()),
                                       address(memory.var), address(memory.code)};
    TOCKLY_TRY(relocated, image::relocated_copy(*code->data, code->relocations, bases));
    std::memcpy(memory.code, relocated.value().data(), relocated.value().size());
    FlushInstructionCache(GetCurrentProcess(), memory.code, relocated.value().size());
    li.code = std::move(relocated.value());
    return prepared;
}

void adapt_program_start(PreparedImage& image, ProgramStart& start) {
    // The globals are the image's own var memory, which its clean-up routine reads; that routine
    // runs as real code at the end.
    start.globals_storage = static_cast<void**>(image.memory->var);
    start.cleanup_routine = [] {
        if (g_cleanup != nullptr) g_cleanup();
    };
}

void run_entry(PreparedImage& image, Runtime& runtime) {
    g_runtime = &runtime;
    g_start_window = image.loaded.start.start_window;
    auto layout = image::compute_layout(image.loaded.image);
    const image::Segment* code = image.loaded.image.find(cf::code_name);
    std::uint64_t code_at = 0;
    for (std::size_t i = 0; layout && i < image.loaded.image.segments.size(); ++i) {
        if (&image.loaded.image.segments[i] == code) code_at = layout.value().segments[i].data_offset;
    }
    // The loader checked that the entry lies in the code.
    const auto entry = reinterpret_cast<Routine>(static_cast<std::uint8_t*>(image.memory->code) +
                                                 (image.loaded.image.header.entry - code_at));
    entry();  // does not return: slot 0x24 ends the process
    ExitProcess(0);
}

}  // namespace tockly::host::win32
