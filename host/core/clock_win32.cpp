#include "host/core/clock_win32.h"

#include <windows.h>

namespace tockly::host {

std::int64_t WindowsClock::system_local_ms() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return make_date_time(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

std::int64_t WindowsClock::now_local_ms() {
    return system_local_ms() + shift_ms_;
}

}  // namespace tockly::host
