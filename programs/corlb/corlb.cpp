// corlb.xrt: the runtime host DLL that Tockly.exe loads. It puts the Windows host and Tockly's
// handler module together and exports GetNewSock, through which the launcher gets the entry it
// hands the application image to.
#include <windows.h>

#include "app/constants.h"
#include "app/handler_table.h"
#include "host/win32/host_main.h"
#include "host/win32/system_function.h"
#include "image/const_pool.h"

namespace {

// From here on, every DLL that this process loads by name (sound drivers, dialogs, visual styles,
// what they pull in) comes from the system folder only: a DLL of the same name dropped beside
// Tockly.exe or in the current folder is never loaded in its place. Tockly loads nothing of its own
// by name after this, so its own folder is left out too (user folders would be searched before
// the system folder). Older systems without the call keep their own search order.
void restrict_dll_search() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto set_default = tockly::host::win32::system_function<SetDefaultDllDirectoriesFn>(
        L"kernel32.dll", "SetDefaultDllDirectories");
    if (set_default != nullptr) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // The current folder also leaves the classic search of code that names its own paths.
    SetDllDirectoryW(L"");
}

// The one request the launcher makes.
constexpr int kEntryRequest = 1000;

// A ringtone that turns out unplayable only after the host accepted it sounds as one refused at
// once: the built-in chime, repeated until the popup closes.
std::vector<std::uint8_t> ringtone_fallback(std::span<const std::uint8_t> pool) {
    auto chime =
        tockly::image::read_pool_byte_set(pool, tockly::app::pool_offset(tockly::app::ConstId::chime));
    return chime ? std::move(chime.value()) : std::vector<std::uint8_t>{};
}

void __stdcall run_application_image(const void* image) {
    tockly::host::win32::ApplicationModule app;
    app.handlers = tockly::app::handler_table();
    app.bind_constants = &tockly::app::bind_constants;
    app.ringtone_fallback = &ringtone_fallback;
    tockly::host::win32::run_image(image, app);
}

}  // namespace

// Runs when the launcher loads corlb.xrt, before anything of the host: the earliest point at which
// the search for later DLLs can be closed.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) restrict_dll_search();
    return TRUE;
}

// With 1000 the entry that takes the application image; any other request is refused (null).
extern "C" __declspec(dllexport) void* __stdcall GetNewSock(int request) {
    if (request != kEntryRequest) return nullptr;
    return reinterpret_cast<void*>(&run_application_image);
}
