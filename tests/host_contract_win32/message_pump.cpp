#include "tests/host_contract_win32/message_pump.h"

namespace tockly::contract {

namespace {

void dispatch(MSG& msg) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

// Dispatches the next message unless it is a timer's (the lowest-priority message: when it is
// next, nothing else is queued). Answers whether one was dispatched, and which.
bool dispatch_next_but_timer(UINT& dispatched) {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) || msg.message == WM_TIMER || msg.message == WM_QUIT)
        return false;
    if (!PeekMessageW(&msg, nullptr, msg.message, msg.message, PM_REMOVE)) return false;
    dispatched = msg.message;
    dispatch(msg);
    return true;
}

}  // namespace

bool pump_messages_until(const std::function<bool()>& done, std::int64_t max_ms) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(max_ms > 0 ? max_ms : 0);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));  // not ours: left for the loop that ends on it
                break;
            }
            dispatch(msg);
            if (done()) return true;
        }
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        // Woken at least every 50 ms: `done` may wait on the clock rather than on a message.
        const ULONGLONG wait = deadline - now < 50 ? deadline - now : 50;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(wait), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void drain_messages() {
    // Bounded: a window that keeps posting to itself must not hold the test.
    UINT dispatched = 0;
    for (int i = 0; i < 10000 && dispatch_next_but_timer(dispatched); ++i) {
    }
}

bool dispatch_until(UINT message, std::int64_t max_ms) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(max_ms > 0 ? max_ms : 0);
    bool came = false;
    while (!came) {
        for (UINT got = 0; !came && dispatch_next_but_timer(got);) came = got == message;
        const ULONGLONG now = GetTickCount64();
        if (came || now >= deadline) break;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now),
                                    QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT, 0);
    }
    drain_messages();
    return came;
}

}  // namespace tockly::contract
