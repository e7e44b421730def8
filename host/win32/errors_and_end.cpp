// What the host reports (input turned away, its own errors) and the program's end.
#include "host/win32/trace.h"
#include "host/win32/window_system.h"

namespace tockly::host::win32 {

void Win32WindowSystem::input_refused(std::string_view what, std::string_view target) {
    if (trace_ == nullptr) return;
    trace_->write(trace_->line("refused").text("input", what).text("target", Trace::utf8(target)));
}

void Win32WindowSystem::host_error(std::string_view what) {
    if (trace_ != nullptr) trace_->write(trace_->line("error").text("what", Trace::utf8(what)));
}

void Win32WindowSystem::shut_down() {
    ended_ = true;
    timers_->stop_all();
    sound_->end();
    remove_tray_icon();
}

void Win32WindowSystem::program_ended(int exit_code) {
    shut_down();
    if (trace_ != nullptr) trace_->write(trace_->line("exit").number("code", exit_code));
}

void Win32WindowSystem::fatal_error(std::uint32_t code) {
    if (trace_ != nullptr) trace_->write(trace_->line("fatal").number("code", code));
    shut_down();
    const std::wstring text = L"Tockly 运行出错（错误代码 " + std::to_wstring(code) + L"），即将结束。";
    MessageBoxW(nullptr, text.c_str(), L"Tockly", MB_OK | MB_ICONERROR);
    ExitProcess(3);
}

}  // namespace tockly::host::win32
