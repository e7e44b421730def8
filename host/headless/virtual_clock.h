// The headless host's clock: local time that moves only when told to.
#pragma once

#include <cstdint>

#include "host/core/date_time.h"

namespace tockly::host::headless {

class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(std::int64_t start_ms = 0) : now_(start_ms) {}
    std::int64_t now_local_ms() override { return now_; }
    std::int64_t now() const { return now_; }
    void set(std::int64_t ms) { now_ = ms; }

  private:
    std::int64_t now_;
};

}  // namespace tockly::host::headless
