// A kernel handle (thread, event, file) closed when its owner goes: one owner, movable, never
// copied.
#pragma once

#include <windows.h>

#include <utility>

namespace tockly::host::win32 {

class ScopedHandle {
  public:
    ScopedHandle() = default;
    // Takes `handle`; null and INVALID_HANDLE_VALUE both mean none.
    explicit ScopedHandle(HANDLE handle) : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~ScopedHandle() { reset(); }
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void reset() {
        if (handle_ != nullptr) CloseHandle(std::exchange(handle_, nullptr));
    }

  private:
    HANDLE handle_ = nullptr;
};

}  // namespace tockly::host::win32
