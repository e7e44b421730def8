#include "app/handler_table.h"

#include <array>

#include "app/handler_ids.h"
#include "app/handlers.h"

namespace tockly::app {

namespace {

constexpr std::array<host::HandlerEntry, handler_count> table = {
#define TOCKLY_HANDLER_ENTRY(name, unit, event) \
    host::HandlerEntry{#name, handler_arg_count(HandlerId::name), handlers::name},
    TOCKLY_HANDLERS(TOCKLY_HANDLER_ENTRY)
#undef TOCKLY_HANDLER_ENTRY
};

}  // namespace

std::span<const host::HandlerEntry> handler_table() {
    return table;
}

}  // namespace tockly::app
