// Editing the schedule table: add by time or by countdown, modify, delete, and the small handlers
// of the time combo boxes, the countdown box and the function radio buttons.
#include <string>

#include "app/constants.h"
#include "app/flows.h"
#include "app/handlers.h"
#include "app/row_text.h"
#include "app/units.h"

namespace tockly::app::handlers {

using calls::OwnedText;

namespace {

struct Function {
    const Unit& radio;
    const Unit& message_box;
    ConstId label;
};

const Function functions[] = {
    {单选框1, 编辑框1, ConstId::label_reminder},
    {单选框2, 编辑框2, ConstId::label_program},
    {单选框3, 编辑框3, ConstId::label_shutdown},
};

bool in_modify_mode(Host& host) {
    const OwnedText flag = calls::text_of(host, 标签10);
    return calls::equal(flag.c_str(), k(ConstId::modify_flag));
}

// The row for `time_text` and the checked function (one of the three is always checked). An "@"
// in the message becomes "＠": "@" ends a row in the data file, so it would split the row in two.
void for_checked_function(Host& host, const char* time_text, auto&& use_row) {
    for (const Function& f : functions) {
        if (calls::read_int(host, f.radio, host::property::checked) == 0) continue;
        const OwnedText message = calls::text_of(host, f.message_box);
        const OwnedText safe_message =
            calls::make_text(host, replace_at_signs(message.view(), k(ConstId::fullwidth_at)));
        const OwnedText row = calls::concat(host, {time_text, k(f.label), safe_message.c_str()});
        use_row(row.c_str());
    }
}

void commit_entry(Host& host) {
    // The countdown target: now plus the minutes typed into 编辑框4.
    std::int32_t hour = 0, minute = 0, second = 0;
    {
        const OwnedText minutes_text = calls::text_of(host, 编辑框4);
        const std::int32_t minutes = calls::to_integer(host, minutes_text.c_str());
        const std::int64_t target = calls::add_minutes(host, calls::now(host), minutes);
        hour = calls::hour_of(host, target);
        minute = calls::minute_of(host, target);
        second = calls::second_of(host, target);
    }

    const OwnedText countdown = calls::text_of(host, 编辑框4);
    if (calls::is_empty(countdown.c_str())) {
        const OwnedText h = calls::text_of(host, 标签一);
        const OwnedText m = calls::text_of(host, 标签二);
        const OwnedText s = calls::text_of(host, 标签三);
        const char* colon = k(ConstId::colon);
        const OwnedText time_text = calls::concat(host, {h.c_str(), colon, m.c_str(), colon, s.c_str()});
        if (in_modify_mode(host)) {
            // The row under modification is the one at the remembered index, which moves with its
            // row when a countdown entry is added above it; the selection may have moved meanwhile.
            const OwnedText index_text = calls::text_of(host, 编辑框索引);
            const std::int32_t index = calls::to_integer(host, index_text.c_str());
            calls::list_delete(host, 列表框1, index);
            for_checked_function(host, time_text.c_str(),
                                 [&](const char* row) { calls::list_insert(host, 列表框1, index, row); });
            calls::set_text(host, 标签10, k(ConstId::empty_text));
            calls::set_disabled(host, 按钮1, false);
            calls::set_disabled(host, 按钮4, true);
            calls::set_disabled(host, 按钮2, false);
        } else {
            for_checked_function(host, time_text.c_str(),
                                 [&](const char* row) { calls::list_insert(host, 列表框1, 0, row); });
        }
    } else {
        {
            const OwnedText a = flows::two_digits(host, hour, k(ConstId::colon));
            const OwnedText b = flows::two_digits(host, minute, k(ConstId::colon));
            const OwnedText c = flows::two_digits(host, second, k(ConstId::empty_text));
            calls::set_text(host, 编辑框a, a.c_str());
            calls::set_text(host, 编辑框b, b.c_str());
            calls::set_text(host, 编辑框c, c.c_str());
        }
        const OwnedText a = calls::text_of(host, 编辑框a);
        const OwnedText b = calls::text_of(host, 编辑框b);
        const OwnedText c = calls::text_of(host, 编辑框c);
        const OwnedText time_text = calls::concat(host, {a.c_str(), b.c_str(), c.c_str()});
        for_checked_function(host, time_text.c_str(),
                             [&](const char* row) { calls::list_insert(host, 列表框1, 0, row); });
        if (in_modify_mode(host)) {
            // The new row went in above the row under modification: its index moves down by one.
            const OwnedText index_text = calls::text_of(host, 编辑框索引);
            const OwnedText moved =
                calls::integer_to_text(host, calls::to_integer(host, index_text.c_str()) + 1);
            calls::set_text(host, 编辑框索引, moved.c_str());
        }
    }

    calls::set_disabled(host, 组合框1, false);
    calls::set_disabled(host, 组合框2, false);
    calls::set_disabled(host, 组合框3, false);
    calls::set_text(host, 编辑框4, k(ConstId::empty_text));
    flows::save_table(host);
}

void take_chosen_time_part(Host& host, const Unit& combo, const Unit& label) {
    const std::int32_t index = calls::read_int(host, combo, host::property::combo_selection);
    const OwnedText item = calls::combo_item_text(host, combo, index);
    calls::set_text(host, label, item.c_str());
}

}  // namespace

void on_add(Host& host, const std::uint32_t*) {
    commit_entry(host);
}

void on_save_changes(Host& host, const std::uint32_t*) {
    if (calls::read_int(host, 列表框1, host::property::list_selection) == -1) {
        calls::message_box(host, k(ConstId::select_row_prompt));
        return;
    }
    commit_entry(host);
}

void on_delete(Host& host, const std::uint32_t*) {
    const std::int32_t selection = calls::read_int(host, 列表框1, host::property::list_selection);
    calls::list_delete(host, 列表框1, selection);
    flows::save_table(host);
}

void on_list_dblclick(Host& host, const std::uint32_t*) {
    const std::int32_t selection = calls::read_int(host, 列表框1, host::property::list_selection);
    if (selection == -1) return;  // a double-click beside the rows: nothing to modify
    const OwnedText row = calls::list_item_text(host, 列表框1, selection);
    {
        const OwnedText h = calls::left_part(host, row.c_str(), 2);
        const OwnedText m = calls::middle_part(host, row.c_str(), 4, 2);
        const OwnedText s = calls::middle_part(host, row.c_str(), 7, 2);
        calls::set_text(host, 标签一, h.c_str());
        calls::set_text(host, 标签二, m.c_str());
        calls::set_text(host, 标签三, s.c_str());
    }
    // The whole field goes into its edit box, so that a save that changes only the time writes the
    // message or path back byte for byte.
    const OwnedText name = flows::function_name(host, row.c_str());
    if (calls::equal(name.c_str(), k(ConstId::name_reminder))) {
        const OwnedText message = flows::message_field(host, row.c_str());
        calls::set_text(host, 编辑框1, message.c_str());
        calls::set_checked(host, 单选框1, true);
        calls::set_checked(host, 单选框2, false);
        calls::set_checked(host, 单选框3, false);
    } else if (calls::equal(name.c_str(), k(ConstId::name_program))) {
        const OwnedText path = flows::message_field(host, row.c_str());
        calls::set_text(host, 编辑框2, path.c_str());
        calls::set_checked(host, 单选框2, true);
        calls::set_checked(host, 单选框1, false);
        calls::set_checked(host, 单选框3, false);
    } else if (calls::equal(name.c_str(), k(ConstId::name_shutdown))) {
        calls::set_checked(host, 单选框2, false);
        calls::set_checked(host, 单选框1, false);
        calls::set_checked(host, 单选框3, true);
    }
    calls::set_text(host, 标签10, k(ConstId::modify_flag));
    const OwnedText index_text = calls::integer_to_text(host, selection);
    calls::set_text(host, 编辑框索引, index_text.c_str());
    calls::set_disabled(host, 按钮1, true);
    calls::set_disabled(host, 按钮4, false);
    calls::set_disabled(host, 按钮2, true);
}

void on_hour_chosen(Host& host, const std::uint32_t*) {
    take_chosen_time_part(host, 组合框1, 标签一);
}
void on_minute_chosen(Host& host, const std::uint32_t*) {
    take_chosen_time_part(host, 组合框2, 标签二);
}
void on_second_chosen(Host& host, const std::uint32_t*) {
    take_chosen_time_part(host, 组合框3, 标签三);
}

void on_reminder_radio(Host& host, const std::uint32_t*) {
    calls::set_focus(host, 编辑框1);
}

void on_program_radio(Host& host, const std::uint32_t*) {
    // A cancelled dialog leaves the program path as it was.
    if (!calls::open_file_dialog(host, 通用对话框2)) return;
    const OwnedText chosen = calls::read_text(host, 通用对话框2, host::property::dialog_file_name);
    const OwnedText path = calls::make_text(
        host, program_path_for_start(chosen.view(), k(ConstId::quote_open), k(ConstId::quote_close)));
    calls::set_text(host, 编辑框2, path.c_str());
}

void on_countdown_typed(Host& host, const std::uint32_t*) {
    const OwnedText minutes = calls::text_of(host, 编辑框4);
    if (calls::is_empty(minutes.c_str())) return;
    calls::set_disabled(host, 组合框1, true);
    calls::set_disabled(host, 组合框2, true);
    calls::set_disabled(host, 组合框3, true);
}

}  // namespace tockly::app::handlers
