// The system's local wall clock, in the host's date-time (milliseconds since 1970-01-01 00:00:00
// local time), optionally shifted by a fixed amount so a test or a demonstration can run Tockly
// at a chosen moment while the clock keeps running.
#pragma once

#include <cstdint>

#include "host/core/date_time.h"

namespace tockly::host {

class WindowsClock final : public Clock {
  public:
    explicit WindowsClock(std::int64_t shift_ms = 0) : shift_ms_(shift_ms) {}
    std::int64_t now_local_ms() override;
    // The unshifted local time.
    static std::int64_t system_local_ms();

  private:
    std::int64_t shift_ms_;
};

}  // namespace tockly::host
