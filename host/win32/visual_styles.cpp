// The controls' visual styles: a manifest the DLL carries, activated for the rest of the program.
// clang-format off
#include <windows.h>  // first: the others build on it
#include <commctrl.h>
// clang-format on

#include <utility>

#include "host/core/runtime.h"
#include "host/win32/visual_styles_resource.h"
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

void Win32WindowSystem::enable_visual_styles() {
    if (visual_styles_context_) return;
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.hModule = instance_;
    context.lpResourceName = MAKEINTRESOURCEW(TOCKLY_VISUAL_STYLES_MANIFEST);
    ScopedActivationContext made(CreateActCtxW(&context));
    ULONG_PTR cookie = 0;
    if (!made || !ActivateActCtx(made.get(), &cookie)) {
        host_error("visual styles are not available");
        return;
    }
    // Active for the rest of the program on this, its only thread.
    visual_styles_context_ = std::move(made);
    if (HMODULE controls = LoadLibraryW(L"comctl32.dll")) {
        using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        if (auto init = reinterpret_cast<InitFn>(
                reinterpret_cast<void (*)()>(GetProcAddress(controls, "InitCommonControlsEx")))) {
            INITCOMMONCONTROLSEX icc{};
            icc.dwSize = sizeof icc;
            icc.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
            init(&icc);
        }
    }
    // Controls made before now are of the old kind: make them again, showing the same state.
    if (runtime_ == nullptr) return;
    for (WindowInstance* window : runtime_->open_windows()) {
        WindowData* data = data_of(*window);
        if (data == nullptr || !data->hwnd) continue;
        HWND focus = GetFocus();
        const bool had_focus = focus != nullptr && IsChild(data->hwnd.get(), focus);
        data->controls.clear();
        create_controls(*data);
        if (had_focus) SetFocus(data->hwnd.get());
    }
}

}  // namespace tockly::host::win32
