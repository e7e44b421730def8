// Tockly's event handlers, one entry per HandlerId (app/handler_ids.h), in that order. A host binds
// the form's handler routines to these entries by index.
#pragma once

#include <span>

#include "host/host.h"

namespace tockly::app {

std::span<const host::HandlerEntry> handler_table();

}  // namespace tockly::app
