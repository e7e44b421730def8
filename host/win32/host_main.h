// The Windows host's start: takes the application image the launcher hands over, loads it with
// the host core, builds the windows, and runs the program until its start-up window closes.
// The application's handler module comes from the composition root: nothing here knows Tockly.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "host/host.h"
#include "image/result.h"

namespace tockly::host::win32 {

struct ApplicationModule {
    std::span<const HandlerEntry> handlers;
    // Binds the handlers' constants to the loaded image's constant pool (kept alive by the host).
    image::Status (*bind_constants)(std::span<const std::uint8_t> pool) = nullptr;
    // The WAV played, repeated, when a ringtone the host accepted cannot be played after all: what
    // the program plays itself when the host refuses a ringtone at once. Empty: silence.
    std::vector<std::uint8_t> (*ringtone_fallback)(std::span<const std::uint8_t> pool) = nullptr;
};

// Runs the image whose first byte is at `image`. Ends the process: 0 when the program ended,
// 1 when the image was refused (after a message box saying why), 3 after a fatal error.
[[noreturn]] void run_image(const void* image, const ApplicationModule& app);

// The bytes from `image` to the end of the memory that holds it: the module section it lies in,
// else the committed memory region.
std::span<const std::uint8_t> image_memory(const void* image);

}  // namespace tockly::host::win32
