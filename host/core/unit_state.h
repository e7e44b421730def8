// A window as it exists at run time: one opening of a window design, with the live state of every
// unit. Created afresh from the design at every opening; what a handler changes lives here until
// the window is destroyed.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/core/unit_design.h"
#include "host/host_constants.h"

namespace tockly::host {

struct UnitState {
    const UnitDesign* design = nullptr;

    std::string text;  // caption or content
    bool visible = false;
    bool disabled = false;
    bool checked = false;
    std::int32_t selection = -1;          // combo box and list box
    std::vector<std::string> items;       // list box rows, combo box items
    std::vector<std::int32_t> item_data;  // one word per list box row
    std::uint32_t period_ms = 0;          // timer
    std::int32_t font_height = -12;
    std::uint32_t text_colour = 0;
    std::uint32_t placement = placement::normal;  // window
    std::string file_name;                        // common dialog: the chosen file
    std::int64_t last_tick_second =
        std::numeric_limits<std::int64_t>::min();  // a second-boundary timer: the second last handled

    explicit UnitState(const UnitDesign& d);

    std::uint32_t id() const { return design->id; }
    UnitType type() const { return design->type; }
    const std::string& name() const { return design->name; }
};

struct WindowInstance {
    std::uint64_t serial = 0;  // one per opening, never reused
    const WindowDesign* design = nullptr;
    std::vector<UnitState> units;  // in design order; units[0] is the self-unit
    bool modal = false;
    bool destroyed = false;
    void* system_data = nullptr;  // what the window system keeps for it (real handles)

    WindowInstance(std::uint64_t serial, const WindowDesign& design, bool modal);

    std::uint32_t id() const { return design->id; }
    UnitState& self() { return units.front(); }
    const UnitState& self() const { return units.front(); }
    UnitState* find(std::uint32_t unit_id);  // by binary search: every host call finds its unit
    UnitState* find_by_name(std::string_view name);
    // The items of the menu `menu_id` heads (its level-1 items up to the next top-level item).
    std::vector<UnitState*> menu_items(std::uint32_t menu_id);
    // The radio buttons that share the parent of `radio` (the group a click moves within).
    std::vector<UnitState*> radio_group(const UnitState& radio);

  private:
    std::vector<std::pair<std::uint32_t, std::size_t>> by_id_;  // (unit id, index in units), sorted
    std::size_t last_found_ = 0;                                // index of the unit find() found last
};

}  // namespace tockly::host
