// GoogleTest's own injection point for the Windows builds. The cross compiler's default thread
// model has no std::mutex or std::condition_variable, which GoogleTest's thread hand-over needs;
// this gives it one of atomics. The contract suite runs on one thread, so nothing ever waits.
#ifndef TOCKLY_GTEST_CUSTOM_PORT_H
#define TOCKLY_GTEST_CUSTOM_PORT_H

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
  public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { notified_.store(true, std::memory_order_release); }
    void WaitForNotification() {
        while (!notified_.load(std::memory_order_acquire)) {
        }
    }

  private:
    std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing

#endif  // TOCKLY_GTEST_CUSTOM_PORT_H
