// The design of every window as the host builds it: each unit with the values it starts with,
// its handlers already bound to entries of the application's handler table. Made once at load
// from the image's form data; every opening of a window creates its units afresh from here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/form.h"
#include "image/result.h"

namespace tockly::host {

using image::UnitType;

struct FontDesign {
    std::string face;           // the host's default face when the form gives no font
    std::int32_t height = -12;  // LOGFONT height: negative = character height in pixels
    std::int32_t weight = 400;
};

// The host's default font for a unit whose form gives none.
FontDesign default_font();

// Point size of a LOGFONT height at 96 dots per inch (may be fractional: -14 gives 10.5).
double font_points(std::int32_t height);
// LOGFONT height for a whole point size.
std::int32_t font_height_for_points(std::int32_t points);

struct BoundEvent {
    std::int32_t event = 0;
    std::uint32_t handler = 0;  // index in the application's handler table
};

struct UnitDesign {
    std::uint32_t id = 0;
    UnitType type = UnitType::window;
    std::string name;
    image::Place place;  // relative to the parent group box when `parent` is not 0
    std::uint32_t parent = 0;
    std::vector<std::uint32_t> children;
    bool visible = false;
    bool disabled = false;
    bool tab_stop = false;
    std::vector<BoundEvent> events;

    // Design values of the unit's own properties (the host's defaults where the blob is empty).
    std::string text;  // caption or content
    std::uint32_t text_colour = 0;
    std::uint32_t background = image::form_format::colour_none;
    FontDesign font;
    bool checked = false;
    std::vector<std::string> items;                // combo box items
    std::uint32_t period_ms = 0;                   // timer
    std::string filter, initial_dir, default_ext;  // common dialog
    std::uint32_t frame_style = 2;                 // window
    bool centred = false;                          // label: caption centred across
    bool v_centred = false;                        // label: caption centred top to bottom

    // Menu items only.
    std::uint32_t menu_level = 0;
    std::uint32_t menu_state = 0;
    std::optional<std::uint32_t> menu_handler;  // index in the handler table

    std::optional<std::uint32_t> handler(std::int32_t event) const;
};

struct WindowDesign {
    std::uint32_t id = 0;
    std::vector<UnitDesign> units;  // units[0] is the window's self-unit

    const UnitDesign& self() const { return units.front(); }
    const UnitDesign* find(std::uint32_t unit_id) const;
    const UnitDesign* find_by_name(std::string_view name) const;
    // The unit's place in the window's client area (a parent group box's place added).
    image::Place client_place(const UnitDesign& unit) const;
};

struct ProgramDesign {
    std::vector<WindowDesign> windows;
    const WindowDesign* find(std::uint32_t window_id) const;
};

// Decides which handler a code offset of the form names: the image's handler routine there,
// checked against the handler table. Returns the handler index or an error naming the field.
struct HandlerBinder {
    virtual ~HandlerBinder() = default;
    // `args` is the number of 32-bit arguments the event passes.
    virtual image::Result<std::uint32_t> bind(std::uint32_t code_offset, std::uint32_t args,
                                              const std::string& where) const = 0;
};

// The 32-bit values an event passes to its handler; 0 for a number the unit's type has no event for.
std::uint32_t event_argument_count(UnitType type, std::int32_t event);

// Builds every window's design from the form, binding each handler through `binder`. A window
// without a self-unit, or a unit whose blob does not belong to its type, is refused.
image::Result<ProgramDesign> design_program(const image::FormData& form, const HandlerBinder& binder);

}  // namespace tockly::host
