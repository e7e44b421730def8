// Exceptions never cross the system's frames or the image's code: one that reaches them ends the
// program with a message.
#pragma once

#include <exception>

namespace tockly::host::win32 {

// Ends the process after an error that must not go on (an exception reached the message loop).
[[noreturn]] void end_after_internal_error(const char* what);

template <typename F>
auto guard_internal_errors(F&& f) -> decltype(f()) {
    try {
        return f();
    } catch (const std::exception& e) {
        end_after_internal_error(e.what());
    } catch (...) {
        end_after_internal_error("unknown exception");
    }
}

}  // namespace tockly::host::win32
