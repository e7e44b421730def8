// A lock for data shared between the window thread and a worker: a critical section, which every
// Windows Tockly runs on has, held by a guard for exactly one scope.
#pragma once

#include <windows.h>

namespace tockly::host::win32 {

class CriticalSection {
  public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

  private:
    friend class LockGuard;
    CRITICAL_SECTION section_;
};

class LockGuard {
  public:
    explicit LockGuard(CriticalSection& lock) : lock_(lock) { EnterCriticalSection(&lock_.section_); }
    ~LockGuard() { LeaveCriticalSection(&lock_.section_); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

  private:
    CriticalSection& lock_;
};

}  // namespace tockly::host::win32
