#include "host/win32/host_main.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "host/core/clock_win32.h"
#include "host/core/file_system_win32.h"
#include "host/core/ini_store.h"
#include "host/core/pooled_allocator.h"
#include "host/core/runtime.h"
#include "host/core/wide_text_win32.h"
#include "host/win32/clock_setting.h"
#include "host/win32/image_entry.h"
#include "host/win32/single_instance.h"
#include "host/win32/system_function.h"
#include "host/win32/trace.h"
#include "host/win32/window_system.h"
#include "host/win32/write_behind_files.h"

namespace tockly::host::win32 {

namespace {

std::optional<std::string> environment(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, value.data(), size);
    if (got >= size) return std::nullopt;
    value.resize(got);
    return utf8_from_wide(value);
}

[[noreturn]] void refuse(const std::string& why) {
    const std::wstring text = L"Tockly 无法启动：程序映像无效。\n" + wide_from_gbk(why);
    MessageBoxW(nullptr, text.c_str(), L"Tockly", MB_OK | MB_ICONERROR);
    ExitProcess(1);
}

}  // namespace

std::span<const std::uint8_t> image_memory(const void* image) {
    const auto* at = static_cast<const std::uint8_t*>(image);
    HMODULE module = nullptr;
    if (GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            static_cast<LPCWSTR>(image), &module)) {
        const auto* base = reinterpret_cast<const std::uint8_t*>(module);
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
            const std::uint8_t* begin = base + section->VirtualAddress;
            const std::uint8_t* end = begin + section->Misc.VirtualSize;
            if (at >= begin && at < end) return {at, static_cast<std::size_t>(end - at)};
        }
    }
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(image, &info, sizeof info) == 0 || info.State != MEM_COMMIT) return {};
    const auto* end = static_cast<const std::uint8_t*>(info.BaseAddress) + info.RegionSize;
    return {at, static_cast<std::size_t>(end - at)};
}

void run_image(const void* image, const ApplicationModule& app) {
    // The form's 96-DPI geometry and fonts are scaled to the display by the host itself. Windows
    // before Vista does not scale programs at all, and has no call to say so.
    using SetProcessDpiAwareFn = BOOL(WINAPI*)();
    if (const auto dpi_aware = system_function<SetProcessDpiAwareFn>(L"user32.dll", "SetProcessDPIAware"))
        dpi_aware();

    const ClockShift shift =
        clock_shift(environment(L"TOCKLY_CLOCK_START"), environment(L"TOCKLY_CLOCK_OFFSET_MS"),
                    WindowsClock::system_local_ms());
    WindowsClock clock(shift.shift_ms);
    std::unique_ptr<Trace> trace = Trace::from_environment(clock);
    if (trace) {
        trace->write(trace->line("start").number("shift_ms", shift.shift_ms));
        if (!shift.error.empty()) trace->write(trace->line("error").text("what", shift.error));
    }

    const std::span<const std::uint8_t> bytes = image_memory(image);
    if (bytes.empty()) refuse("the image's memory cannot be found");
    auto prepared = prepare_image(bytes, app.handlers);
    if (!prepared) refuse(prepared.error().message());
    std::unique_ptr<PreparedImage> program = std::move(prepared.value());
    if (app.bind_constants != nullptr) {
        if (auto bound = app.bind_constants(program->loaded.const_pool()); !bound)
            refuse(bound.error().message());
    }

    // A second start from the same folder hands over to the running copy and touches nothing.
    if (claim_program_folder(trace.get()) == InstanceClaim::handed_over) {
        if (trace) trace->write(trace->line("exit").number("code", 0));
        ExitProcess(0);
    }

    Win32WindowSystem windows(clock, trace.get());
    if (app.ringtone_fallback != nullptr)
        windows.set_ringtone_fallback(app.ringtone_fallback(program->loaded.const_pool()));
    WindowsFileSystem disk;
    // Saves never hold up the window thread; their outcome comes back to it.
    WriteBehindFiles files(disk, [&windows](const std::string& path, ReplaceOutcome outcome) {
        windows.report_save(path, outcome);
    });
    IniStore ini(files);
    PooledAllocator memory;
    std::optional<HandlerTrace> handler_trace;
    if (trace) handler_trace.emplace(*trace, &program->loaded.design);
    ProgramStart start = program->loaded.start;
    adapt_program_start(*program, start);
    Runtime runtime(program->loaded.design, app.handlers, std::move(start), windows, clock, memory, ini);
    if (handler_trace) runtime.set_handler_hook(&*handler_trace);
    windows.attach(runtime);
    // Everything above lives until the process ends: run_entry does not return.
    run_entry(*program, runtime);
}

}  // namespace tockly::host::win32
