// Tockly's event handlers, grouped by flow in app/handlers_*.cpp. Each takes the host and its
// event's 32-bit arguments. Internal to the app: hosts reach them through handler_table().
//
// They keep the program's designed flow on purpose wherever a host, a trace or a user could see
// it, even where a shorter way exists: a tick takes its time from the text of the three clock
// labels, not from the clock, so the rows are compared with what the user sees; the popup learns
// what it is for (a reminder, the chime, About) from the text of its mode label 标签9, set before it
// opens; rows are read from the list box through the host one at a time; and the table is saved
// whole through the hidden write buffer. What no one can observe is left out: a row is not copied
// to compare its first eight bytes, and the clock labels are read again only after a row fired.
#pragma once

#include <cstdint>

#include "app/handler_ids.h"
#include "host/host.h"

namespace tockly::app::handlers {

using host::Host;

// One per entry of the handler list (app/handler_ids.h), grouped by flow: start-up, ringtone choice
// and System menu in handlers_startup.cpp; editing entries in handlers_editing.cpp; the time check
// in handlers_time_check.cpp; the popup window in handlers_popup.cpp; tray, About and Exit in
// handlers_window.cpp.
#define TOCKLY_HANDLER_DECLARATION(name, unit, event) void name(Host& host, const std::uint32_t* args);
TOCKLY_HANDLERS(TOCKLY_HANDLER_DECLARATION)
#undef TOCKLY_HANDLER_DECLARATION

}  // namespace tockly::app::handlers
