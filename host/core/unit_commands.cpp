// The core commands that act on windows, units, sound, processes and the program's folder.
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/arg_access.h"
#include "host/core/runtime.h"
#include "host/host_constants.h"
#include "image/hex_text.h"

namespace tockly::host {

namespace {

// The bytes of a byte set (u32 1, u32 length, bytes); empty for null or a set that is not
// one-dimensional.
std::span<const std::uint8_t> byte_set_bytes(const void* set) {
    if (set == nullptr) return {};
    std::uint32_t head[2];
    std::memcpy(head, set, sizeof head);
    if (head[0] != 1) return {};
    return {static_cast<const std::uint8_t*>(set) + sizeof head, head[1]};
}

bool in_range(std::int32_t index, std::size_t size) {
    return index >= 0 && static_cast<std::size_t>(index) < size;
}

// The item at `index`, or the empty text past the items; a view, so a row is copied only into the
// text handed back.
std::string_view item_or_empty(const std::vector<std::string>& items, std::int32_t index) {
    return in_range(index, items.size()) ? std::string_view(items[static_cast<std::size_t>(index)])
                                         : std::string_view();
}

}  // namespace

std::uint64_t Runtime::unit_command(std::uint32_t number, std::span<const ArgRecord> args) {
    namespace c = command;
    const CallName what(number);
    auto unit_of = [&](std::size_t i, UnitType type) -> Target {
        auto t = unit_arg_target(args, i, what);
        if (t && t.unit->type() != type) {
            bad_call(what.text() + ": unit " + image::hex(t.unit->id()) + " is the wrong kind");
            return {};
        }
        return t;
    };
    // An item of a combo box or a list box: a new text, empty for an index past the items.
    auto item_text = [&](UnitType type) -> std::uint64_t {
        auto t = unit_of(0, type);
        if (!t) return text_result("");
        return text_result(item_or_empty(t.unit->items, arg_int(args, 1, -1)));
    };

    switch (number) {
        case c::program_directory:
            return text_result(ws_.program_directory());

        case c::run_command_line:
            ws_.run_process(arg_text(args, 0), arg_logical(args, 1, false), arg_int(args, 2, 1));
            return 0;

        case c::message_box:
            ws_.message_box(arg_text(args, 0), static_cast<std::uint32_t>(arg_int(args, 1, 0)));
            return 1;  // OK

        case c::play_sound_data: {
            auto bytes = byte_set_bytes(arg_byte_set(args, 0));
            if (bytes.empty()) {
                bad_call(what.text() + ": no sound data");
                return 0;
            }
            ws_.play_wav(sound_owner(), bytes, arg_logical(args, 1, true));
            return 1;
        }
        case c::stop_sound:
            ws_.stop_sound(sound_owner());
            return 0;

        case c::play_mp3:
            return ws_.play_mp3(sound_owner(), arg_text(args, 1), arg_int(args, 0, 1)) ? 1 : 0;

        case c::open_window: {
            auto ref = arg_unit(args, 0);
            const WindowDesign* design = ref ? design_.find(ref->window) : nullptr;
            if (design == nullptr) {
                bad_call(what.text() + ": no such window");
                return 0;
            }
            const bool modal = arg_logical(args, 2, false);
            const std::uint64_t serial = open_window(*design, modal);
            // A modal opening returns only when that window has closed.
            if (modal) {
                ws_.run_loop([this, serial] {
                    return !start_window_open() || finished_ || find_serial(serial) == nullptr;
                });
            }
            return 1;
        }
        case c::close_window: {
            auto ref = arg_unit(args, 0);
            if (!ref) {
                bad_call(what.text() + ": argument 1 is not a window");
                return 0;
            }
            Target t = resolve(ref->window, ref->unit, what);
            if (t.window != nullptr) close_window(*t.window);
            return 0;
        }
        case c::set_focus: {
            auto t = unit_arg_target(args, 0, what);
            if (t) ws_.set_focus(*t.window, *t.unit);
            return 0;
        }
        case c::popup_menu: {
            auto t = unit_of(1, UnitType::menu_item);
            if (!t) return 0;
            popped_menu_ = PoppedMenu{t.window->serial, t.unit->id()};
            ws_.pop_up_menu(*t.window, *t.unit);
            return 0;
        }
        case c::open_file_dialog: {
            auto t = unit_of(0, UnitType::common_dialog);
            if (!t) return 0;
            const std::uint64_t serial = t.window->serial;
            const std::uint32_t id = t.unit->id();
            auto chosen = ws_.run_file_dialog(*t.window, *t.unit);
            if (!chosen) return 0;
            // The window may have gone while the dialog was up.
            Target again = resolve(t.window->id(), id, what);
            if (again.window == nullptr || again.window->serial != serial) return 0;
            again.unit->file_name = *chosen;
            changed(*again.window, *again.unit, Change::file_name);
            return 1;
        }
        case c::set_tray_icon: {
            auto t = unit_of(0, UnitType::window);
            if (!t) return 0;
            ws_.set_tray_icon(*t.window, byte_set_bytes(arg_byte_set(args, 1)), arg_text(args, 2));
            return 1;
        }
        case c::combo_item_text:
            return item_text(UnitType::combo_box);
        case c::list_count: {
            auto t = unit_of(0, UnitType::list_box);
            return t ? t.unit->items.size() : 0;
        }
        case c::list_item_text:
            return item_text(UnitType::list_box);
        case c::list_append: {
            auto t = unit_of(0, UnitType::list_box);
            if (!t) return static_cast<std::uint32_t>(-1);
            UnitState& list = *t.unit;
            list.items.emplace_back(arg_text(args, 1));
            list.item_data.push_back(arg_int(args, 2, 0));
            const auto index = static_cast<std::int32_t>(list.items.size() - 1);
            ws_.item_edited(*t.window, list, WindowSystem::ItemEdit::inserted, index);
            return static_cast<std::uint32_t>(index);
        }
        case c::list_insert: {
            auto t = unit_of(0, UnitType::list_box);
            if (!t) return static_cast<std::uint32_t>(-1);
            UnitState& list = *t.unit;
            std::int32_t index = arg_int(args, 1, -1);
            // -1 puts the item last; beyond the end there is no such place.
            if (index == -1) index = static_cast<std::int32_t>(list.items.size());
            if (index < 0 || static_cast<std::size_t>(index) > list.items.size())
                return static_cast<std::uint32_t>(-1);
            list.items.insert(list.items.begin() + index, arg_text(args, 2));
            list.item_data.insert(list.item_data.begin() + index, 0);
            // The selection stays with its row.
            if (list.selection >= index) ++list.selection;
            ws_.item_edited(*t.window, list, WindowSystem::ItemEdit::inserted, index);
            return static_cast<std::uint32_t>(index);
        }
        case c::list_delete: {
            auto t = unit_of(0, UnitType::list_box);
            if (!t) return 0;
            UnitState& list = *t.unit;
            const std::int32_t index = arg_int(args, 1, -1);
            if (!in_range(index, list.items.size())) return 0;
            list.items.erase(list.items.begin() + index);
            list.item_data.erase(list.item_data.begin() + index);
            if (list.selection == index) {
                list.selection = -1;
            } else if (list.selection > index) {
                --list.selection;
            }
            ws_.item_edited(*t.window, list, WindowSystem::ItemEdit::deleted, index);
            return 1;
        }
        case c::edit_append: {
            auto t = unit_of(0, UnitType::edit_box);
            if (!t) return 0;
            t.unit->text += arg_text(args, 1);
            changed(*t.window, *t.unit, Change::text);
            return 0;
        }
        default:
            bad_call("no core command " + what.text());
            return 0;
    }
}

}  // namespace tockly::host
