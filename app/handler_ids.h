// Every event handler of Tockly: its name, the unit it answers and the event. This list is the one
// place a handler is written; its identifier, its entry in the handler table, its declaration and
// its binding in the form are all made from it, in this order (the handler table's). The form
// binds events to the code offsets of the image's handler routines, and each routine names one of
// these indices.
#pragma once

#include <cstdint>
#include <optional>

#include "app/units.h"
#include "image/unit_type.h"

namespace tockly::app {

// X(name, unit, event): `event` is one of image::event's, `chosen` for a menu item.
#define TOCKLY_HANDLERS(X)                          \
    X(on_main_created, 主窗口, created)             \
    X(on_tray_notify, 主窗口, tray_notify)          \
    X(on_main_placement, 主窗口, placement)         \
    X(on_main_rclick, 主窗口, right_button)         \
    X(on_tick, 时钟1, tick)                         \
    X(on_add, 按钮1, clicked)                       \
    X(on_delete, 按钮2, clicked)                    \
    X(on_save_changes, 按钮4, clicked)              \
    X(on_list_dblclick, 列表框1, double_clicked)    \
    X(on_hour_chosen, 组合框1, item_changed)        \
    X(on_minute_chosen, 组合框2, item_changed)      \
    X(on_second_chosen, 组合框3, item_changed)      \
    X(on_reminder_radio, 单选框1, clicked)          \
    X(on_program_radio, 单选框2, clicked)           \
    X(on_countdown_typed, 编辑框4, content_changed) \
    X(on_choose_ringtone, 按钮3, clicked)           \
    X(on_about, 关于, chosen)                       \
    X(on_exit, 退出, chosen)                        \
    X(on_popup_created, 弹出窗口, created)          \
    X(on_popup_destroy, 弹出窗口, destroying)       \
    X(on_popup_rclick, 弹出窗口, right_button)      \
    X(on_popup_timer, 时钟2, tick)

enum class HandlerId : std::uint32_t {
#define TOCKLY_HANDLER_ID(name, unit, event) name,
    TOCKLY_HANDLERS(TOCKLY_HANDLER_ID)
#undef TOCKLY_HANDLER_ID
        count
};

inline constexpr std::uint32_t handler_count = static_cast<std::uint32_t>(HandlerId::count);

// What a handler answers: a unit's event, or a menu item's choice (no event number of its own).
struct HandlerBinding {
    HandlerId id;
    const char* name;
    Unit unit;
    std::optional<std::int32_t> event;  // none for a menu item
};

namespace handler_event {
using namespace image::event;
inline constexpr std::optional<std::int32_t> chosen = std::nullopt;
}  // namespace handler_event

inline constexpr HandlerBinding handler_bindings[handler_count] = {
#define TOCKLY_HANDLER_BINDING(name, unit, event) \
    {HandlerId::name, #name, unit, std::optional<std::int32_t>(handler_event::event)},
    TOCKLY_HANDLERS(TOCKLY_HANDLER_BINDING)
#undef TOCKLY_HANDLER_BINDING
};

constexpr bool every_handler_event_is_its_units() {
    for (const HandlerBinding& b : handler_bindings) {
        if (b.event && !image::find_event(b.unit.type, *b.event)) return false;
        if (!b.event && b.unit.type != image::UnitType::menu_item) return false;
    }
    return true;
}
static_assert(every_handler_event_is_its_units(), "a handler answers an event its unit does not have");

// 32-bit arguments each handler's event passes, as the unit types table gives them.
constexpr std::uint32_t handler_arg_count(HandlerId id) {
    const HandlerBinding& b = handler_bindings[static_cast<std::uint32_t>(id)];
    if (!b.event) return 0;
    const std::optional<image::EventInfo> info = image::find_event(b.unit.type, *b.event);
    return info ? info->arguments : 0;
}

}  // namespace tockly::app
