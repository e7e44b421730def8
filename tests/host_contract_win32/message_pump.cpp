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

// Milliseconds left of `max_ms` counted from the tick count `start` (wrap-safe), 0 when none.
static DWORD left_of(DWORD start, std::int64_t max_ms) {
    const DWORD limit = static_cast<DWORD>(max_ms > 0 ? max_ms : 0);
    const DWORD spent = GetTickCount() - start;
    return spent >= limit ? 0 : limit - spent;
}

bool pump_messages_until(const std::function<bool()>& done, std::int64_t max_ms) {
    const DWORD start = GetTickCount();
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
        const DWORD left = left_of(start, max_ms);
        if (left == 0) return false;
        // Woken at least every 50 ms: `done` may wait on the clock rather than on a message.
        MsgWaitForMultipleObjectsEx(0, nullptr, left < 50 ? left : 50, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

void drain_messages() {
    // Bounded: a window that keeps posting to itself must not hold the test.
    UINT dispatched = 0;
    for (int i = 0; i < 10000 && dispatch_next_but_timer(dispatched); ++i) {
    }
}

bool dispatch_until(UINT message, std::int64_t max_ms) {
    const DWORD start = GetTickCount();
    bool came = false;
    while (!came) {
        for (UINT got = 0; !came && dispatch_next_but_timer(got);) came = got == message;
        const DWORD left = left_of(start, max_ms);
        if (came || left == 0) break;
        MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT,
                                    0);
    }
    drain_messages();
    return came;
}

}  // namespace tockly::contract
