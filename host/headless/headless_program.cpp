#include "host/headless/headless_program.h"

#include <utility>

namespace tockly::host::headless {

image::Result<LoadedImage> load_headless_image(std::span<const std::uint8_t> bytes,
                                               std::span<const HandlerEntry> handlers) {
    // The headless host does not run the image's code.
    return host::load_image(bytes, handlers, image::stand_in_bases);
}

HeadlessProgram::HeadlessProgram(std::shared_ptr<const LoadedImage> image,
                                 std::span<const HandlerEntry> handlers, std::int64_t start_ms,
                                 const std::string& folder, FileSystem* disk)
    : image_(std::move(image)),
      clock_(start_ms),
      windows_(clock_, folder),
      files_(disk != nullptr ? *disk : posix_, windows_),
      ini_(files_),
      runtime_(image_->design, handlers, image_->start, windows_, clock_, memory_, ini_) {
    windows_.attach(runtime_);
}

image::Result<std::unique_ptr<HeadlessProgram>> HeadlessProgram::load(std::span<const std::uint8_t> bytes,
                                                                      std::span<const HandlerEntry> handlers,
                                                                      std::int64_t start_ms,
                                                                      const std::string& folder) {
    auto loaded = load_headless_image(bytes, handlers);
    if (!loaded) return loaded.error();
    return std::make_unique<HeadlessProgram>(std::make_shared<const LoadedImage>(std::move(loaded).value()),
                                             handlers, start_ms, folder);
}

}  // namespace tockly::host::headless
