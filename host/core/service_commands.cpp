#include "host/core/service_commands.h"

#include "host/core/text_commands.h"

namespace tockly::host {

std::optional<std::uint64_t> call_service_command(CoreServices& services, std::uint32_t command, Args args) {
    switch (command_family(command)) {
        case CommandFamily::text:
            return call_text_command(services.memory, command, args);
        case CommandFamily::date_time:
            return call_date_time_command(services.clock, command, args);
        case CommandFamily::ini:
            return call_ini_command(services.ini, services.memory, command, args);
        case CommandFamily::unit:
            break;
    }
    return std::nullopt;
}

}  // namespace tockly::host
