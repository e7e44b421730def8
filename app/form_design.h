// Tockly's designed form: both windows with every unit, its place, flags, fonts, colours, texts,
// menu and event bindings, as the image carries it and the host builds the windows from it.
#pragma once

#include <array>
#include <cstdint>

#include "app/handler_ids.h"
#include "image/form.h"

namespace tockly::app {

// The code offset of each handler's routine in the image's code segment, by HandlerId. The image
// builder lays out the routines and passes their offsets in.
struct HandlerOffsets {
    std::array<std::uint32_t, handler_count> by_id{};

    std::uint32_t operator[](HandlerId id) const { return by_id[static_cast<std::size_t>(id)]; }
    std::uint32_t& operator[](HandlerId id) { return by_id[static_cast<std::size_t>(id)]; }
};

// The per-window words of the form that nothing reads.
inline constexpr std::uint32_t main_window_header_word = 0x00B8B1A0;
inline constexpr std::uint32_t popup_window_header_word = 0x00B8C750;
inline constexpr std::uint32_t main_window_record_word = 0x00B99120;
inline constexpr std::uint32_t popup_window_record_word = 0x00B9CEFC;

image::FormData tockly_form(const HandlerOffsets& handlers);

}  // namespace tockly::app
