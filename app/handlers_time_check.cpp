// The tick of 时钟1: show the time, fire the rows due this second, keep the hourly chime.
#include <string_view>

#include "app/constants.h"
#include "app/flows.h"
#include "app/handlers.h"
#include "app/units.h"

namespace tockly::app::handlers {

using calls::OwnedText;

namespace {

// The popup shows at most this much of a reminder; the stored message stays whole.
constexpr std::int32_t reminder_message_bytes = 40;

void show_time(Host& host) {
    const std::int64_t time = calls::now(host);
    const std::int32_t hour = calls::hour_of(host, time);
    const std::int32_t minute = calls::minute_of(host, time);
    const std::int32_t second = calls::second_of(host, time);
    const OwnedText h = flows::two_digits(host, hour, k(ConstId::colon));
    const OwnedText m = flows::two_digits(host, minute, k(ConstId::colon));
    const OwnedText s = flows::two_digits(host, second, k(ConstId::empty_text));
    calls::set_text(host, 标签1, h.c_str());
    calls::set_text(host, 标签2, m.c_str());
    calls::set_text(host, 标签3, s.c_str());
}

// The time text of this tick, as the clock labels show it.
OwnedText shown_time(Host& host) {
    const OwnedText h = calls::text_of(host, 标签1);
    const OwnedText m = calls::text_of(host, 标签2);
    const OwnedText s = calls::text_of(host, 标签3);
    return calls::concat(host, {h.c_str(), m.c_str(), s.c_str()});
}

void fire(Host& host, const char* row) {
    const OwnedText name = flows::function_name(host, row);
    if (calls::equal(name.c_str(), k(ConstId::name_reminder))) {
        flows::replace_reminder_message(host, flows::message_field(host, row, reminder_message_bytes));
        calls::set_text(host, 标签9, k(ConstId::zero));
        calls::open_window(host, 弹出窗口, false);
    } else if (calls::equal(name.c_str(), k(ConstId::name_program))) {
        // The whole stored path: a path cut short starts another program, or none.
        const OwnedText path = flows::message_field(host, row);
        const OwnedText command_line = calls::concat(host, {k(ConstId::command_start), path.c_str()});
        calls::run_command_line(host, command_line.c_str());
    } else if (calls::equal(name.c_str(), k(ConstId::name_shutdown))) {
        calls::run_command_line(host, k(ConstId::command_shutdown));
    }
}

// Whether a row is due at the shown time: its first eight bytes (all of a shorter row) are that
// time. Only those bytes are looked at: measuring each whole row for it would pass over the whole
// table every second.
bool row_is_due(const char* row, std::string_view time_text) {
    std::size_t at = 0;
    for (; at < static_cast<std::size_t>(flows::row_time_length) && row[at] != '\0'; ++at) {
        if (at >= time_text.size() || row[at] != time_text[at]) return false;
    }
    return at == time_text.size();
}

void walk_table(Host& host) {
    // The clock labels change only when a row fires (its popup runs handlers of its own), so
    // the shown time is read once and again after each firing, not once a row.
    OwnedText time_text = shown_time(host);
    std::string_view time = time_text.view();
    const std::int32_t rows = calls::list_count(host, 列表框1);
    for (std::int32_t i = 0; i < rows; ++i) {
        const OwnedText row = calls::list_item_text(host, 列表框1, i);
        if (!row_is_due(row.c_str(), time)) continue;
        fire(host, row.c_str());
        time_text = shown_time(host);
        time = time_text.view();
    }
}

void hourly_chime(Host& host) {
    if (calls::read_int(host, 选择框1, host::property::checked) == 0) {
        calls::write_text(host, 选择框1, host::property::check_caption, k(ConstId::chime_off_caption));
        return;
    }
    calls::write_text(host, 选择框1, host::property::check_caption, k(ConstId::chime_on_caption));
    const OwnedText minute = calls::text_of(host, 标签2);
    const OwnedText second = calls::text_of(host, 标签3);
    if (calls::equal(minute.c_str(), k(ConstId::time_zero_minute)) &&
        calls::equal(second.c_str(), k(ConstId::time_zero_second))) {
        calls::set_text(host, 标签9, k(ConstId::mode_chime));
        calls::open_window(host, 弹出窗口, false);
    }
}

}  // namespace

void on_tick(Host& host, const std::uint32_t*) {
    show_time(host);
    walk_table(host);
    hourly_chime(host);
}

}  // namespace tockly::app::handlers
