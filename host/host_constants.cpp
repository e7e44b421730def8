#include "host/host_constants.h"

#include <array>
#include <string>

#include "image/unit_type.h"

namespace tockly::host {

const char* command_name(std::uint32_t number) {
    switch (number) {
        case command::program_directory:
            return "program_directory";
        case command::left_part:
            return "left_part";
        case command::middle_part:
            return "middle_part";
        case command::date_time_convert:
            return "date_time_convert";
        case command::integer_to_text:
            return "integer_to_text";
        case command::split_text:
            return "split_text";
        case command::add_to_date_time:
            return "add_to_date_time";
        case command::hour_of:
            return "hour_of";
        case command::minute_of:
            return "minute_of";
        case command::second_of:
            return "second_of";
        case command::now:
            return "now";
        case command::run_command_line:
            return "run_command_line";
        case command::message_box:
            return "message_box";
        case command::play_sound_data:
            return "play_sound_data";
        case command::stop_sound:
            return "stop_sound";
        case command::open_window:
            return "open_window";
        case command::close_window:
            return "close_window";
        case command::set_focus:
            return "set_focus";
        case command::popup_menu:
            return "popup_menu";
        case command::open_file_dialog:
            return "open_file_dialog";
        case command::combo_item_text:
            return "combo_item_text";
        case command::list_count:
            return "list_count";
        case command::list_item_text:
            return "list_item_text";
        case command::list_append:
            return "list_append";
        case command::list_insert:
            return "list_insert";
        case command::list_delete:
            return "list_delete";
        case command::edit_append:
            return "edit_append";
        case command::play_mp3:
            return "play_mp3";
        case command::set_tray_icon:
            return "set_tray_icon";
        case command::ini_read:
            return "ini_read";
        case command::ini_write:
            return "ini_write";
        case command::to_integer:
            return "to_integer";
        default:
            return nullptr;
    }
}

namespace {

// A unit reference's word is named after its unit type ("list_box_unit"); a type number that no
// form has is just a "unit".
const char* unit_word_name(std::uint16_t type_number) {
    static const auto names = [] {
        std::array<std::string, image::unit_type_count> out;
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = std::string(image::unit_types[i].name) + "_unit";
        return out;
    }();
    const image::UnitTypeInfo* info = image::unit_type_info(type_number);
    return info != nullptr ? names[static_cast<std::size_t>(info - image::unit_types)].c_str() : "unit";
}

}  // namespace

const char* type_word_name(std::uint32_t word) {
    switch (word) {
        case type_word::omitted:
            return "omitted";
        case type_word::logical:
            return "logical";
        case type_word::date_time:
            return "date_time";
        case type_word::text:
            return "text";
        case type_word::byte_set:
            return "byte_set";
        case type_word::integer:
            return "integer";
        default:
            return type_word::is_unit(word) ? unit_word_name(static_cast<std::uint16_t>(word & 0xFFFFu))
                                            : nullptr;
    }
}

}  // namespace tockly::host
