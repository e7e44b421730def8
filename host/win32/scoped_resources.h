// One owner for each Windows resource the host makes: the owner frees it in its destructor, is
// movable and never copied, so adding a resource never means finding every path that tears down.
#pragma once

#include <windows.h>

#include <utility>

namespace tockly::host::win32 {

// `Kind` names the handle type and how it is freed (see FreedBy below); `adopt` maps a failed
// call's value to none.
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

// A handle of type `H` freed by `Free`; a kernel-style one also reads INVALID_HANDLE_VALUE as none.
template <typename H, auto Free>
struct FreedBy {
    using Handle = H;
    static void free(H handle) { Free(handle); }
};
template <auto Free>
struct KernelStyleFreedBy : FreedBy<HANDLE, Free> {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
};

// Threads, events, mutexes, files, tokens, processes.
using ScopedHandle = Scoped<KernelStyleFreedBy<CloseHandle>>;
using ScopedActivationContext = Scoped<KernelStyleFreedBy<ReleaseActCtx>>;
using ScopedWindow = Scoped<FreedBy<HWND, DestroyWindow>>;
using ScopedFont = Scoped<FreedBy<HFONT, DeleteObject>>;
using ScopedBrush = Scoped<FreedBy<HBRUSH, DeleteObject>>;
using ScopedMenu = Scoped<FreedBy<HMENU, DestroyMenu>>;
using ScopedIcon = Scoped<FreedBy<HICON, DestroyIcon>>;

// A device context a window lends, given back when this goes: `Loan` says how it is taken and given
// back, and what it keeps meanwhile.
template <typename Loan>
class LentDC {
  public:
    explicit LentDC(HWND window) : window_(window), dc_(Loan::take(window, kept_)) {}
    ~LentDC() {
        if (dc_ != nullptr) Loan::give_back(window_, dc_, kept_);
    }
    LentDC(const LentDC&) = delete;
    LentDC& operator=(const LentDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

  private:
    HWND window_;
    typename Loan::Kept kept_{};  // before dc_: taking it fills this
    HDC dc_;
};

struct GetDCLoan {
    struct Kept {};
    static HDC take(HWND window, Kept&) { return GetDC(window); }
    static void give_back(HWND window, HDC dc, Kept&) { ReleaseDC(window, dc); }
};
struct PaintLoan {
    using Kept = PAINTSTRUCT;
    static HDC take(HWND window, PAINTSTRUCT& paint) { return BeginPaint(window, &paint); }
    static void give_back(HWND window, HDC, PAINTSTRUCT& paint) { EndPaint(window, &paint); }
};

// A window's device context (null: the screen's).
using WindowDC = LentDC<GetDCLoan>;
// The device context of a window being painted; the paint ends when it goes.
using PaintDC = LentDC<PaintLoan>;

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
