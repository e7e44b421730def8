#include "app/handler_table.h"

#include <array>

#include "app/handler_ids.h"
#include "app/handlers.h"

namespace tockly::app {

namespace {

constexpr host::HandlerEntry entry(HandlerId id, const char* name, host::HandlerFn fn) {
    return {name, handler_arg_count(id), fn};
}

using H = HandlerId;
namespace h = handlers;

constexpr std::array<host::HandlerEntry, handler_count> table = {
    entry(H::on_main_created, "on_main_created", h::on_main_created),
    entry(H::on_tray_notify, "on_tray_notify", h::on_tray_notify),
    entry(H::on_main_placement, "on_main_placement", h::on_main_placement),
    entry(H::on_main_rclick, "on_main_rclick", h::on_main_rclick),
    entry(H::on_tick, "on_tick", h::on_tick),
    entry(H::on_add, "on_add", h::on_add),
    entry(H::on_delete, "on_delete", h::on_delete),
    entry(H::on_save_changes, "on_save_changes", h::on_save_changes),
    entry(H::on_list_dblclick, "on_list_dblclick", h::on_list_dblclick),
    entry(H::on_hour_chosen, "on_hour_chosen", h::on_hour_chosen),
    entry(H::on_minute_chosen, "on_minute_chosen", h::on_minute_chosen),
    entry(H::on_second_chosen, "on_second_chosen", h::on_second_chosen),
    entry(H::on_reminder_radio, "on_reminder_radio", h::on_reminder_radio),
    entry(H::on_program_radio, "on_program_radio", h::on_program_radio),
    entry(H::on_countdown_typed, "on_countdown_typed", h::on_countdown_typed),
    entry(H::on_choose_ringtone, "on_choose_ringtone", h::on_choose_ringtone),
    entry(H::on_about, "on_about", h::on_about),
    entry(H::on_exit, "on_exit", h::on_exit),
    entry(H::on_popup_created, "on_popup_created", h::on_popup_created),
    entry(H::on_popup_destroy, "on_popup_destroy", h::on_popup_destroy),
    entry(H::on_popup_rclick, "on_popup_rclick", h::on_popup_rclick),
    entry(H::on_popup_timer, "on_popup_timer", h::on_popup_timer),
};

}  // namespace

std::span<const host::HandlerEntry> handler_table() {
    return table;
}

}  // namespace tockly::app
