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

// Which part of the core answers a command. Every command a handler makes passes this way first
// (a save or a tick reads each row of the table through it), so one switch sends each to its own
// part instead of each part being asked in turn.
enum class CommandFamily { text, date_time, ini, unit };

constexpr CommandFamily command_family(std::uint32_t command) {
    switch (command) {
        case command::left_part:
        case command::middle_part:
        case command::integer_to_text:
        case command::split_text:
        case command::to_integer:
            return CommandFamily::text;
        case command::hour_of:
        case command::minute_of:
        case command::second_of:
        case command::date_time_convert:
        case command::now:
        case command::add_to_date_time:
            return CommandFamily::date_time;
        case command::ini_read:
        case command::ini_write:
            return CommandFamily::ini;
        default:
            return CommandFamily::unit;  // windows, units, sound, processes: the runtime's own
    }
}

// The command's result, or nothing when `command` is not one of these services' commands.
std::optional<std::uint64_t> call_service_command(CoreServices& services, std::uint32_t command, Args args);

}  // namespace tockly::host
