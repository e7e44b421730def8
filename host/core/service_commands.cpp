#include "host/core/service_commands.h"

#include "host/core/text_commands.h"

namespace tockly::host {

std::optional<std::uint64_t> call_service_command(CoreServices& services, std::uint32_t command, Args args) {
    if (auto result = call_text_command(services.memory, command, args)) return result;
    if (auto result = call_date_time_command(services.clock, command, args)) return result;
    return call_ini_command(services.ini, services.memory, command, args);
}

}  // namespace tockly::host
