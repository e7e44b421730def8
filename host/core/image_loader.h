// Taking an application image: validate the container, walk the chain, apply the code
// relocations to a copy of the code, read the form data, bind every handler the form names to an
// entry of the application's handler table, and find what the entry sequence hands the host (the
// start-up window and the clean-up routine). An image whose bindings do not match is refused
// with a message naming the field, its offset and the value found.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "host/core/runtime.h"
#include "host/core/unit_design.h"
#include "host/host.h"
#include "image/container.h"
#include "image/form.h"
#include "image/relocation.h"
#include "image/result.h"

namespace tockly::host {

struct LoadedImage {
    image::Image image;
    std::vector<std::uint8_t> code;  // relocated with the host's bases
    image::Reloc1Lists reloc1;
    image::FormData form;
    ProgramDesign design;
    ProgramStart start;
    std::uint32_t cleanup_offset = 0;  // in the code data
    std::span<const std::uint8_t> const_pool() const;
};

// What the entry routine hands the host, read from its code without running it.
struct EntryFacts {
    std::uint32_t start_word = 0;      // the value passed beside the clean-up routine
    std::uint32_t cleanup_offset = 0;  // in the code data
    std::uint32_t start_window = 0;
};
// `code` is the code data as stored, `relocations` its entries, `entry` the routine's offset in it.
image::Result<EntryFacts> decode_entry_routine(std::span<const std::uint8_t> code,
                                               std::span<const std::uint32_t> relocations,
                                               std::uint32_t entry);

// The var offsets of the text globals the clean-up routine at `offset` releases.
image::Result<std::vector<std::uint32_t>> decode_cleanup_routine(std::span<const std::uint8_t> code,
                                                                 std::span<const std::uint32_t> relocations,
                                                                 std::uint32_t offset);

// `bytes` may run on past the image (the Windows host reads it from memory).
image::Result<LoadedImage> load_image(std::span<const std::uint8_t> bytes,
                                      std::span<const HandlerEntry> handlers,
                                      const image::RelocationBases& bases);

}  // namespace tockly::host
