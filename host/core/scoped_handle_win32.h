// One owner for each Windows resource: the owner frees it in its destructor, is movable and never
// copied, so adding a resource never means finding every path that tears down. This header holds
// the owner itself and the kernel's handles; host/win32/scoped_resources.h adds the window
// system's resources.
#pragma once

#include <windows.h>

#include <utility>

namespace tockly::host {

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
// A FindFirstFileW search.
using ScopedFind = Scoped<KernelStyleFreedBy<FindClose>>;

}  // namespace tockly::host
