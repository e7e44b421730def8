// How the image's entry routine runs: the image's own i686 machine code, through relocated helper
// thunks, with its globals in memory of their own.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "host/core/image_loader.h"
#include "host/core/runtime.h"
#include "image/result.h"

namespace tockly::host::win32 {

struct PreparedImage {
    LoadedImage loaded;
    // The image's executable code, globals and helper table where the build runs them.
    struct Memory;
    std::unique_ptr<Memory, void (*)(Memory*)> memory{nullptr, nullptr};
};

// Loads and relocates the image for this build.
image::Result<std::unique_ptr<PreparedImage>> prepare_image(std::span<const std::uint8_t> bytes,
                                                            std::span<const HandlerEntry> handlers);

// Completes what the entry sequence needs of the Runtime: where its globals live and how its
// clean-up routine runs.
void adapt_program_start(PreparedImage& image, ProgramStart& start);

// Runs the entry routine. Does not return: the process ends when the program has.
[[noreturn]] void run_entry(PreparedImage& image, Runtime& runtime);

}  // namespace tockly::host::win32
