// A small program for testing hosts: a main window with one unit of every kind and a menu, and a
// popup window, built into a real application image. Its handlers log what ran and then do what
// a test asks of them, so a test drives a host through the same doors Tockly's handlers use.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "host/host.h"
#include "image/form.h"

namespace tockly::contract {

// Units of the program, as (window, unit, type number).
struct UnitRef {
    std::uint32_t window;
    std::uint32_t id;
    std::uint32_t type;
};
inline constexpr std::uint32_t kMain = 0x52010001;
inline constexpr std::uint32_t kPopup = 0x5201007B;
inline constexpr UnitRef kMainSelf{kMain, 0x06010000, 1};
inline constexpr UnitRef kLabel{kMain, 0x16010006, 10};
inline constexpr UnitRef kEdit{kMain, 0x1601003C, 5};
inline constexpr UnitRef kButton{kMain, 0x16010025, 11};
inline constexpr UnitRef kGroupButton{kMain, 0x1601004B, 11};  // in the group box
inline constexpr UnitRef kGroup{kMain, 0x16010049, 9};
inline constexpr UnitRef kCheck{kMain, 0x160100C3, 12};
inline constexpr UnitRef kRadio1{kMain, 0x1601003F, 13};
inline constexpr UnitRef kRadio2{kMain, 0x16010040, 13};
inline constexpr UnitRef kCombo{kMain, 0x16010128, 14};
inline constexpr UnitRef kList{kMain, 0x16010024, 15};
inline constexpr UnitRef kDialog{kMain, 0x16010078, 31};
inline constexpr UnitRef kTimer{kMain, 0x16010007, 32};
inline constexpr UnitRef kMenuTop{kMain, 0x260100EF, 3};
inline constexpr UnitRef kMenuAbout{kMain, 0x260100F0, 3};
inline constexpr UnitRef kMenuExit{kMain, 0x260100F1, 3};
inline constexpr UnitRef kPopupSelf{kPopup, 0x0601007A, 1};
inline constexpr UnitRef kPopupLabel{kPopup, 0x160100C6, 10};
inline constexpr UnitRef kPopupTimer{kPopup, 0x160100DF, 32};

// The handlers, by their index in the handler table.
enum Handler : std::uint32_t {
    main_created,
    main_placement,
    main_tray,
    main_rclick,
    tick,
    button_clicked,
    edit_changed,
    combo_changed,
    list_dblclick,
    menu_about,
    menu_exit,
    popup_created,
    popup_destroying,
    popup_rclick,
    popup_tick,
    radio_clicked,
    check_clicked,
    handler_count
};

// The program's handler table.
std::span<const host::HandlerEntry> handler_table();

// What ran, as "handler-name" or "handler-name(arg)" for handlers with one argument.
std::vector<std::string>& handler_log();
// What a handler does after logging; empty by default. Reset by reset_program().
void on(Handler h, std::function<void(host::Host&, const std::uint32_t* args)> action);
void reset_program();

// The program's form. Bindings and menu handlers hold handler indices; make_image turns them
// into code offsets of handler routines.
image::FormData contract_form();

// A complete image: handler routines, entry and clean-up routines, const pool with `pool_texts`,
// the form with its bindings resolved, @reloc1 lists. `form` defaults to contract_form().
std::vector<std::uint8_t> make_image(const image::FormData& form);
std::vector<std::uint8_t> make_image();

// Helpers for argument records of units.
host::ArgRecord unit(const UnitRef& u);

}  // namespace tockly::contract
