// One owner for each Windows resource the host makes: the owner frees it in its destructor, is
// movable and never copied, so adding a resource never means finding every path that tears down.
#pragma once

#include <windows.h>

#include <utility>

namespace tockly::host::win32 {

// `Kind` names the handle type and how it is freed; `adopt` maps a failed call's value to none.
template <typename Kind>
class Scoped {
  public:
    using Handle = typename Kind::Handle;

    Scoped() = default;
    explicit Scoped(Handle handle) : handle_(adopt(handle)) {}
    ~Scoped() { reset(); }
    Scoped(Scoped&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    Scoped& operator=(Scoped&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Handle{}));
        return *this;
    }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    // Frees what is held and takes `handle` instead.
    void reset(Handle handle = Handle{}) {
        const Handle old = std::exchange(handle_, adopt(handle));
        if (old != Handle{}) Kind::free(old);
    }
    // Gives the handle up without freeing it.
    Handle release() { return std::exchange(handle_, Handle{}); }

  private:
    static Handle adopt(Handle handle) {
        if constexpr (requires { Kind::invalid; }) {
            if (handle == Kind::invalid()) return Handle{};
        }
        return handle;
    }
    Handle handle_{};
};

namespace resource_kind {
struct Kernel {  // thread, event, mutex, file, token, process
    using Handle = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void free(HANDLE h) { CloseHandle(h); }
};
struct Window {
    using Handle = HWND;
    static void free(HWND h) { DestroyWindow(h); }
};
struct Font {
    using Handle = HFONT;
    static void free(HFONT h) { DeleteObject(h); }
};
struct Brush {
    using Handle = HBRUSH;
    static void free(HBRUSH h) { DeleteObject(h); }
};
struct Menu {
    using Handle = HMENU;
    static void free(HMENU h) { DestroyMenu(h); }
};
struct Icon {
    using Handle = HICON;
    static void free(HICON h) { DestroyIcon(h); }
};
struct ActivationContext {
    using Handle = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void free(HANDLE h) { ReleaseActCtx(h); }
};
}  // namespace resource_kind

using ScopedHandle = Scoped<resource_kind::Kernel>;
using ScopedWindow = Scoped<resource_kind::Window>;
using ScopedFont = Scoped<resource_kind::Font>;
using ScopedBrush = Scoped<resource_kind::Brush>;
using ScopedMenu = Scoped<resource_kind::Menu>;
using ScopedIcon = Scoped<resource_kind::Icon>;
using ScopedActivationContext = Scoped<resource_kind::ActivationContext>;

// A window's device context, released to that window when it goes.
class WindowDC {
  public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND window_;
    HDC dc_;
};

// The device context of a window being painted; the paint ends when it goes.
class PaintDC {
  public:
    explicit PaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintDC() {
        if (dc_ != nullptr) EndPaint(window_, &paint_);
    }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An object selected into a device context, the one it replaced selected back when it goes.
class Selected {
  public:
    Selected(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~Selected() {
        if (old_ != nullptr) SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace tockly::host::win32
