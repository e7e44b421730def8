#include "image/unit_id.h"

namespace tockly::image {

std::optional<UnitKind> unit_id_kind(std::uint32_t id) {
    switch (unit_id_kind_byte(id)) {
        case 0x06:
            return UnitKind::self_unit;
        case 0x16:
            return UnitKind::control;
        case 0x19:
            return UnitKind::window_class;
        case 0x26:
            return UnitKind::menu_item;
        case 0x52:
            return UnitKind::window;
        default:
            return std::nullopt;
    }
}

std::string_view unit_kind_name(std::optional<UnitKind> kind) {
    if (!kind) return "unknown";
    switch (*kind) {
        case UnitKind::self_unit:
            return "self-unit";
        case UnitKind::control:
            return "control";
        case UnitKind::window_class:
            return "window class";
        case UnitKind::menu_item:
            return "menu item";
        case UnitKind::window:
            return "window";
    }
    return "unknown";
}

}  // namespace tockly::image
