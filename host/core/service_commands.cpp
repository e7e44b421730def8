#include "host/core/service_commands.h"

#include "host/core/text_commands.h"

namespace tockly::host {

std::optional<std::uint64_t> call_service_command(CoreServices& services, std::uint32_t command, Args args) {
    if (auto result = call_text_command(services.memory, command, args)) return result;
    if (auto result = call_date_time_command(services.clock, command, args)) return result;
    // Checked here, before the INI commands' own setup: every other command (a save's reading of
    // each row among them) passes this way.
    if (command != command::ini_read && command != command::ini_write) return std::nullopt;
    return call_ini_command(services.ini, services.memory, command, args);
}

}  // namespace tockly::host
