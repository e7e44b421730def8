// The core commands that need no window and no OS beyond the file seam and the clock: text,
// date-time and INI commands, answered in one place for every host's command dispatcher.
#pragma once

#include <cstdint>
#include <optional>

#include "host/core/arg_access.h"
#include "host/core/date_time.h"
#include "host/core/ini_store.h"
#include "host/core/text_memory.h"
#include "host/host_constants.h"

namespace tockly::host {

struct CoreServices {
    TextAllocator& memory;
    Clock& clock;
    IniStore& ini;
};

// The command's result, or nothing when `command` is not one of these services' commands.
std::optional<std::uint64_t> call_service_command(CoreServices& services, std::uint32_t command, Args args);

}  // namespace tockly::host
