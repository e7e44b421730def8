// Exceptions never cross the system's frames or the image's code: one that reaches them ends the
// program with a message.
#pragma once

#include <exception>

#include "host/win32/window_classes.h"

namespace tockly::host::win32 {

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
