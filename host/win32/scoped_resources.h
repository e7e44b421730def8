// The window system's Windows resources, each with one owner (see host/core/scoped_handle_win32.h,
// which also owns the kernel's handles): windows, GDI objects, menus, icons, the activation
// context, and the device contexts a window lends.
#pragma once

#include <windows.h>

#include "host/core/scoped_handle_win32.h"

namespace tockly::host::win32 {

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
