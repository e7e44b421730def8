// One program on the headless host, put together: its image loaded with the addresses the headless
// host relocates with, the window system over a virtual clock and a program folder, the program's
// files and INI store in that folder, counted text memory, and the runtime over all of them. What
// program it is comes only from the image and the handler table it is given.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "host/core/file_system_posix.h"
#include "host/core/image_loader.h"
#include "host/core/ini_store.h"
#include "host/core/runtime.h"
#include "host/core/text_memory.h"
#include "host/headless/headless_files.h"
#include "host/headless/headless_window_system.h"
#include "host/headless/virtual_clock.h"
#include "image/result.h"

namespace tockly::host::headless {

// `bytes` taken with `handlers` as the headless host takes an image.
image::Result<LoadedImage> load_headless_image(std::span<const std::uint8_t> bytes,
                                               std::span<const HandlerEntry> handlers);

class HeadlessProgram {
  public:
    // `image` may be shared by several programs (loaded once). The clock starts at `start_ms`
    // (local); the program's folder is `folder`, whose files are read and written through `disk`
    // (null: straight on this machine's disk).
    HeadlessProgram(std::shared_ptr<const LoadedImage> image, std::span<const HandlerEntry> handlers,
                    std::int64_t start_ms, const std::string& folder, FileSystem* disk = nullptr);
    // Loads the image from `bytes` first; refused as load_headless_image refuses it.
    static image::Result<std::unique_ptr<HeadlessProgram>> load(std::span<const std::uint8_t> bytes,
                                                                std::span<const HandlerEntry> handlers,
                                                                std::int64_t start_ms,
                                                                const std::string& folder);
    HeadlessProgram(const HeadlessProgram&) = delete;
    HeadlessProgram& operator=(const HeadlessProgram&) = delete;

    const LoadedImage& image() const { return *image_; }
    Runtime& runtime() { return runtime_; }
    HeadlessWindowSystem& windows() { return windows_; }
    VirtualClock& clock() { return clock_; }
    HeadlessFiles& files() { return files_; }
    CountingAllocator& memory() { return memory_; }

  private:
    std::shared_ptr<const LoadedImage> image_;
    VirtualClock clock_;
    HeadlessWindowSystem windows_;
    PosixFileSystem posix_;
    HeadlessFiles files_;
    IniStore ini_;
    CountingAllocator memory_;
    Runtime runtime_;
};

}  // namespace tockly::host::headless
