// Whether to tell the user that a save failed. The user hears of it once, when saving starts to
// fail, with the file named; further failures stay quiet until a save succeeds again, which
// ends the failing state (a later failure is told again). Fed with the outcome of every INI
// write, on whichever thread the program's events run, in the order the writes were asked for.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tockly::host {

class SaveFailureNotice {
  public:
    // The message to show now (GBK), or nothing.
    std::optional<std::string> after_write(std::string_view path, bool stored);
    bool failing() const { return failing_; }

  private:
    bool failing_ = false;
};

// "The table could not be saved to <path>; the file there is unchanged", in Chinese (GBK).
std::string save_failure_message(std::string_view path);

}  // namespace tockly::host
