#include "tests/host_contract_win32/message_pump.h"

#include <windows.h>

namespace tockly::contract {

namespace {

// Dispatches every message that is there now; answers whether there was one.
bool dispatch_pending() {
    bool any = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        any = true;
        if (msg.message == WM_QUIT) {
            // Not ours to take: leave it for a loop that ends on it.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return any;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return any;
}

}  // namespace

void pump_messages_for(std::int64_t ms) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(ms > 0 ? ms : 0);
    for (;;) {
        dispatch_pending();
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

void drain_messages() {
    // A few rounds: a message handled may post another (a menu choice, a repaint).
    for (int round = 0; round < 8 && dispatch_pending(); ++round) {
    }
}

}  // namespace tockly::contract
