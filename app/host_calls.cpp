#include "app/host_calls.h"

#include <array>

#include "app/constants.h"
#include "host/arg_records.h"
#include "image/text_routines.h"

namespace tockly::app::calls {

namespace hc = host::command;
namespace tw = host::type_word;
using host::ArgRecord;

namespace {

constexpr std::uint32_t interface_library = 1;

template <std::size_t N>
std::uint64_t core(Host& host, std::uint32_t command, const std::array<ArgRecord, N>& args) {
    return host.call_core(command, args);
}
std::uint64_t core(Host& host, std::uint32_t command) {
    return host.call_core(command, {});
}

ArgRecord int_arg(std::int32_t v) {
    return host::int_arg(v);
}
ArgRecord logical_arg(bool v) {
    return host::logical_arg(v);
}
ArgRecord date_time_arg(std::int64_t v) {
    return host::date_time_arg(v);
}
ArgRecord omitted() {
    return host::omitted_arg();
}

std::int32_t as_int(std::uint64_t result) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(result));
}

void* allocate_through(void* context, std::uint32_t size) {
    return static_cast<Host*>(context)->allocate(size);
}

}  // namespace

ArgRecord text_arg(const char* text) {
    if (text == nullptr) text = constants_bound() ? k(ConstId::empty_text) : "";
    return host::text_arg(text);
}

ArgRecord unit_arg(const Unit& unit) {
    return host::unit_arg(unit.window, unit.id, static_cast<std::uint32_t>(unit.type));
}

OwnedText read_text(Host& host, const Unit& unit, std::uint32_t index) {
    return OwnedText(host, host.read_property(unit.window, unit.id, index, host::property::whole));
}

std::int32_t read_int(Host& host, const Unit& unit, std::uint32_t index) {
    return as_int(host.read_property(unit.window, unit.id, index, host::property::whole));
}

void write_text(Host& host, const Unit& unit, std::uint32_t index, const char* text) {
    host.write_property(unit.window, unit.id, index, host::property::whole, text_arg(text).low, 0);
}

void write_int(Host& host, const Unit& unit, std::uint32_t index, std::int32_t value, std::int32_t element) {
    host.write_property(unit.window, unit.id, index, element, static_cast<std::uint32_t>(value), 0);
}

OwnedText make_text(Host& host, std::string_view bytes) {
    return OwnedText(host, host::new_text(host, bytes));
}

OwnedText concat(Host& host, std::initializer_list<const char*> texts) {
    return OwnedText(host, image::concatenate(texts, allocate_through, &host));
}

bool is_empty(const char* text) {
    return image::text_length(text) == 0;
}
bool equal(const char* a, const char* b) {
    return image::text_compare(a, b) == 0;
}

OwnedText program_directory(Host& host) {
    return OwnedText(host, core(host, hc::program_directory));
}

OwnedText left_part(Host& host, const char* text, std::int32_t count) {
    return OwnedText(host, core<2>(host, hc::left_part, {text_arg(text), int_arg(count)}));
}

OwnedText middle_part(Host& host, const char* text, std::int32_t start, std::int32_t count) {
    return OwnedText(host, core<3>(host, hc::middle_part, {text_arg(text), int_arg(start), int_arg(count)}));
}

OwnedText integer_to_text(Host& host, std::int32_t value) {
    return OwnedText(host, core<1>(host, hc::integer_to_text, {int_arg(value)}));
}

OwnedTextArray split_text(Host& host, const char* text, const char* separator) {
    return OwnedTextArray(host,
                          core<3>(host, hc::split_text, {text_arg(text), text_arg(separator), omitted()}));
}

std::int32_t to_integer(Host& host, const char* text) {
    return as_int(core<1>(host, hc::to_integer, {text_arg(text)}));
}

std::int64_t now(Host& host) {
    return static_cast<std::int64_t>(core(host, hc::now));
}

std::int64_t add_minutes(Host& host, std::int64_t date_time, std::int32_t minutes) {
    return static_cast<std::int64_t>(
        core<3>(host, hc::add_to_date_time,
                {date_time_arg(date_time), int_arg(static_cast<std::int32_t>(host::date_part_minutes)),
                 int_arg(minutes)}));
}

std::int32_t hour_of(Host& host, std::int64_t t) {
    return as_int(core<1>(host, hc::hour_of, {date_time_arg(t)}));
}
std::int32_t minute_of(Host& host, std::int64_t t) {
    return as_int(core<1>(host, hc::minute_of, {date_time_arg(t)}));
}
std::int32_t second_of(Host& host, std::int64_t t) {
    return as_int(core<1>(host, hc::second_of, {date_time_arg(t)}));
}

void run_command_line(Host& host, const char* command_line) {
    core<3>(host, hc::run_command_line, {text_arg(command_line), logical_arg(false), int_arg(1)});
}

void message_box(Host& host, const char* text) {
    core<3>(host, hc::message_box, {text_arg(text), int_arg(0), omitted()});
}

void play_sound_data(Host& host, const void* byte_set, bool repeat) {
    core<2>(host, hc::play_sound_data, {host::byte_set_arg(byte_set), logical_arg(repeat)});
}

bool play_mp3(Host& host, const char* path) {
    return as_int(core<2>(host, hc::play_mp3, {int_arg(1), text_arg(path)})) != 0;
}

void stop_sound(Host& host) {
    core(host, hc::stop_sound);
}

void open_window(Host& host, const Unit& window, bool modal) {
    core<3>(host, hc::open_window, {unit_arg(window), omitted(), logical_arg(modal)});
}

void close_window(Host& host, const Unit& window) {
    core<2>(host, hc::close_window, {unit_arg(window), omitted()});
}

void set_focus(Host& host, const Unit& control) {
    core<1>(host, hc::set_focus, {unit_arg(control)});
}

void popup_menu(Host& host, const Unit& window, const Unit& menu) {
    core<4>(host, hc::popup_menu, {unit_arg(window), unit_arg(menu), omitted(), omitted()});
}

bool open_file_dialog(Host& host, const Unit& dialog) {
    return as_int(core<1>(host, hc::open_file_dialog, {unit_arg(dialog)})) != 0;
}

void set_tray_icon(Host& host, const Unit& window, const void* icon_byte_set, const char* tip) {
    core<3>(host, hc::set_tray_icon, {unit_arg(window), host::byte_set_arg(icon_byte_set), text_arg(tip)});
}

OwnedText combo_item_text(Host& host, const Unit& combo, std::int32_t index) {
    return OwnedText(host, core<2>(host, hc::combo_item_text, {unit_arg(combo), int_arg(index)}));
}

std::int32_t list_count(Host& host, const Unit& list) {
    return as_int(core<1>(host, hc::list_count, {unit_arg(list)}));
}

OwnedText list_item_text(Host& host, const Unit& list, std::int32_t index) {
    return OwnedText(host, core<2>(host, hc::list_item_text, {unit_arg(list), int_arg(index)}));
}

void list_append(Host& host, const Unit& list, const char* text) {
    core<3>(host, hc::list_append, {unit_arg(list), text_arg(text), int_arg(0)});
}

void list_insert(Host& host, const Unit& list, std::int32_t index, const char* text) {
    core<4>(host, hc::list_insert, {unit_arg(list), int_arg(index), text_arg(text), omitted()});
}

void list_delete(Host& host, const Unit& list, std::int32_t index) {
    core<2>(host, hc::list_delete, {unit_arg(list), int_arg(index)});
}

void edit_append(Host& host, const Unit& edit, const char* text) {
    core<2>(host, hc::edit_append, {unit_arg(edit), text_arg(text)});
}

OwnedText ini_read(Host& host, const char* file, const char* section, const char* key) {
    return OwnedText(
        host, core<4>(host, hc::ini_read, {text_arg(file), text_arg(section), text_arg(key), omitted()}));
}

void ini_write(Host& host, const char* file, const char* section, const char* key, const char* value) {
    core<4>(host, hc::ini_write, {text_arg(file), text_arg(section), text_arg(key), text_arg(value)});
}

void start_interface_library(Host& host) {
    const std::array<ArgRecord, 1> args = {int_arg(3)};
    host.call_library(interface_library, 0, args);
}

}  // namespace tockly::app::calls
