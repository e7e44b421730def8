// Writes Tockly's own application image: the constant pool from the constants list, the designed
// form bound to the handler routines, the help block, real i686 code (the handler routines, the
// initialisation, clean-up and entry routines, the helper-slot thunks) with its relocations, the
// globals and the @reloc1 lists.
#pragma once

#include <cstdint>
#include <span>

#include "image/container.h"
#include "image/result.h"

namespace tockly::app {

// `icon_bytes` is the program's ICO file (the launcher's icon), stored as a byte set.
image::Result<image::Image> build_tockly_image(std::span<const std::uint8_t> icon_bytes);

}  // namespace tockly::app
