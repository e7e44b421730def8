// Tockly's event handlers, grouped by flow in app/handlers_*.cpp. Each takes the host and its
// event's 32-bit arguments. Internal to the app: hosts reach them through handler_table().
//
// They keep the program's designed flow on purpose wherever a host, a trace or a user could see
// it, even where a shorter way exists: a tick takes its time from the text of the three clock
// labels, not from the clock, so the rows are compared with what the user sees; the popup learns
// what it is for (a reminder, the chime, About) from the text of its mode label 标签9, set before it
// opens; rows are read from the list box through the host one at a time; and the table is saved
// whole through the hidden write buffer. What no one can observe is left out: a row is not copied
// to compare its first eight bytes, and the clock labels are read again only after a row fired.
#pragma once

#include <cstdint>

#include "host/host.h"

namespace tockly::app::handlers {

using host::Host;

// Start-up, ringtone choice, System menu (handlers_startup.cpp).
void on_main_created(Host& host, const std::uint32_t* args);
void on_choose_ringtone(Host& host, const std::uint32_t* args);
void on_main_rclick(Host& host, const std::uint32_t* args);

// Editing entries (handlers_editing.cpp).
void on_add(Host& host, const std::uint32_t* args);
void on_delete(Host& host, const std::uint32_t* args);
void on_save_changes(Host& host, const std::uint32_t* args);
void on_list_dblclick(Host& host, const std::uint32_t* args);
void on_hour_chosen(Host& host, const std::uint32_t* args);
void on_minute_chosen(Host& host, const std::uint32_t* args);
void on_second_chosen(Host& host, const std::uint32_t* args);
void on_reminder_radio(Host& host, const std::uint32_t* args);
void on_program_radio(Host& host, const std::uint32_t* args);
void on_countdown_typed(Host& host, const std::uint32_t* args);

// The time check (handlers_time_check.cpp).
void on_tick(Host& host, const std::uint32_t* args);

// The popup window (handlers_popup.cpp).
void on_popup_created(Host& host, const std::uint32_t* args);
void on_popup_destroy(Host& host, const std::uint32_t* args);
void on_popup_rclick(Host& host, const std::uint32_t* args);
void on_popup_timer(Host& host, const std::uint32_t* args);

// Tray, About, Exit (handlers_window.cpp).
void on_tray_notify(Host& host, const std::uint32_t* args);
void on_main_placement(Host& host, const std::uint32_t* args);
void on_about(Host& host, const std::uint32_t* args);
void on_exit(Host& host, const std::uint32_t* args);

}  // namespace tockly::app::handlers
