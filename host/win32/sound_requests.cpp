// The program's sound requests, handed to the sound thread; its reports, written to the trace.
#include "host/core/wide_text_win32.h"
#include "host/win32/trace.h"
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

bool Win32WindowSystem::play_mp3(SoundOwner owner, std::string_view path, std::int32_t times) {
    (void)times;  // the ringtone is played once
    // The answer comes from the file alone; the sound device is the sound thread's business.
    return sound_->play_mp3(owner, wide_from_gbk(path));
}

void Win32WindowSystem::play_wav(SoundOwner owner, std::span<const std::uint8_t> wav, bool repeat) {
    sound_->play_wav(owner, wav, repeat);
}

void Win32WindowSystem::stop_sound(SoundOwner owner) {
    sound_->stop(owner);
}

void Win32WindowSystem::set_ringtone_fallback(std::vector<std::uint8_t> wav) {
    sound_->set_fallback(std::move(wav));
}

void Win32WindowSystem::sound_message(WPARAM, LPARAM) {
    // Taken even without a trace, so that reports never pile up.
    for (const SoundReport& report : sound_->take_reports()) {
        if (trace_ == nullptr) continue;
        JsonLine line = trace_->line("sound");
        line.text("what", sound_report_name(report.what))
            .number("window", static_cast<std::int64_t>(report.window));
        if (report.error != 0) line.number("error", static_cast<std::int64_t>(report.error));
        if (report.offered) line.boolean("offered", true);
        if (report.resumed) line.boolean("resumed", true);
        if (report.what == SoundReport::What::stopped) {
            line.raw("ended", report.ended_mp3 && report.ended_wav ? R"(["mp3","wav"])"
                              : report.ended_mp3                   ? R"(["mp3"])"
                              : report.ended_wav                   ? R"(["wav"])"
                                                                   : "[]");
        }
        trace_->write(line);
    }
}

}  // namespace tockly::host::win32
