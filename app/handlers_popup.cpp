// The popup window: a reminder, the hourly chime or the credits, by the popup mode in 标签9.
#include "app/constants.h"
#include "app/flows.h"
#include "app/handlers.h"
#include "app/units.h"

namespace tockly::app::handlers {

using calls::OwnedText;

namespace {
constexpr std::int32_t reminder_font_points = 11;
constexpr std::int32_t about_font_points = 15;
constexpr std::int32_t chime_colour = 0x00FF00FF;  // magenta, as 0x00BBGGRR
constexpr std::int32_t chime_display_ms = 5000;

void set_font_size(Host& host, std::int32_t points) {
    calls::write_int(host, 标签, host::property::label_font, points, host::property::font_size_element);
}
}  // namespace

void on_popup_created(Host& host, const std::uint32_t*) {
    const OwnedText mode = calls::text_of(host, 标签9);
    if (calls::equal(mode.c_str(), k(ConstId::zero))) {
        const OwnedText ringtone = calls::text_of(host, 编辑框5);
        // A ringtone that cannot be played must not leave the reminder silent: the chime sounds
        // instead, until the popup closes. No ringtone chosen stays silent.
        if (!calls::play_mp3(host, ringtone.c_str()) && !calls::is_empty(ringtone.c_str()))
            calls::play_sound_data(host, pool_item(ConstId::chime), true);
        const OwnedText text =
            calls::concat(host, {k(ConstId::reminder_prefix), flows::reminder_message(host)});
        calls::set_text(host, 标签, text.c_str());
        set_font_size(host, reminder_font_points);
    }
    if (calls::read_int(host, 选择框1, host::property::checked) != 0 &&
        calls::equal(mode.c_str(), k(ConstId::mode_chime))) {
        const OwnedText h = calls::text_of(host, 标签1);
        const OwnedText m = calls::text_of(host, 标签2);
        const OwnedText s = calls::text_of(host, 标签3);
        const OwnedText text =
            calls::concat(host, {k(ConstId::time_prefix), h.c_str(), m.c_str(), s.c_str()});
        calls::set_text(host, 标签, text.c_str());
        calls::write_int(host, 标签, host::property::label_text_colour, chime_colour);
        calls::play_sound_data(host, pool_item(ConstId::chime), true);
        calls::write_int(host, 时钟2, host::property::timer_period, chime_display_ms);
    }
    if (calls::equal(mode.c_str(), k(ConstId::mode_about))) {
        calls::set_text(host, 标签, k(ConstId::about_credits));
        set_font_size(host, about_font_points);
    }
}

void on_popup_destroy(Host& host, const std::uint32_t*) {
    calls::stop_sound(host);
}

void on_popup_rclick(Host& host, const std::uint32_t*) {
    calls::close_window(host, 弹出窗口);
}

void on_popup_timer(Host& host, const std::uint32_t*) {
    calls::close_window(host, 弹出窗口);
}

}  // namespace tockly::app::handlers
