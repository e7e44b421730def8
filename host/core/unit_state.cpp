#include "host/core/unit_state.h"

#include <algorithm>

namespace tockly::host {

UnitState::UnitState(const UnitDesign& d)
    : design(&d),
      text(d.text),
      visible(d.visible),
      disabled(d.disabled),
      checked(d.checked),
      items(d.items),
      period_ms(d.period_ms),
      font_height(d.font.height),
      text_colour(d.text_colour) {}

WindowInstance::WindowInstance(std::uint64_t serial_number, const WindowDesign& window_design, bool is_modal)
    : serial(serial_number), design(&window_design), modal(is_modal) {
    units.reserve(window_design.units.size());
    for (const auto& unit : window_design.units) units.emplace_back(unit);
    by_id_.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) by_id_.emplace_back(units[i].id(), i);
    // The first of equal identifiers wins, as a walk in design order would find it.
    std::stable_sort(by_id_.begin(), by_id_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

UnitState* WindowInstance::find(std::uint32_t unit_id) {
    // A tick or a save addresses the list box once for every row: the unit found last comes first.
    if (last_found_ < units.size() && units[last_found_].id() == unit_id) return &units[last_found_];
    auto it = std::lower_bound(by_id_.begin(), by_id_.end(), unit_id,
                               [](const auto& entry, std::uint32_t id) { return entry.first < id; });
    if (it == by_id_.end() || it->first != unit_id) return nullptr;
    last_found_ = it->second;
    return &units[it->second];
}

UnitState* WindowInstance::find_by_name(std::string_view name) {
    for (auto& u : units) {
        if (!u.name().empty() && u.name() == name) return &u;
    }
    return nullptr;
}

std::vector<UnitState*> WindowInstance::menu_items(std::uint32_t menu_id) {
    std::vector<UnitState*> out;
    bool inside = false;
    for (auto& u : units) {
        if (u.type() != UnitType::menu_item) continue;
        if (u.design->menu_level == 0) {
            if (inside) break;
            inside = u.id() == menu_id;
        } else if (inside) {
            out.push_back(&u);
        }
    }
    return out;
}

std::vector<UnitState*> WindowInstance::radio_group(const UnitState& radio) {
    std::vector<UnitState*> out;
    for (auto& u : units) {
        if (u.type() == UnitType::radio_button && u.design->parent == radio.design->parent) out.push_back(&u);
    }
    return out;
}

}  // namespace tockly::host
