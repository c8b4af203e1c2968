#include "parts.h"

#include <memory>

namespace {

// A command typed while the shell runs: posted to the shell's thread by the reader of standard
// input, the text owned by the message.
constexpr UINT kCommandMessage = WM_APP + 1;

struct LoopState {
    bool quit = false;
};
LoopState loop;

} // namespace

void requestQuit() {
    loop.quit = true;
}

bool quitRequested() {
    return loop.quit;
}

bool postCommand(DWORD shellThread, const std::string& line) {
    auto posted = std::make_unique<std::string>(line);
    if (!PostThreadMessageA(shellThread, kCommandMessage, 0,
                            reinterpret_cast<LPARAM>(posted.get())))
        return false;
    posted.release();
    return true;
}

void handleMessages(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                loop.quit = true;
                return;
            }
            if (message.hwnd == nullptr && message.message == kCommandMessage) {
                std::unique_ptr<std::string> command(
                    reinterpret_cast<std::string*>(message.lParam));
                runCommand(*command);
                if (loop.quit)
                    return;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        const DWORD elapsed = GetTickCount() - start;
        if (milliseconds != INFINITE && elapsed >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  milliseconds == INFINITE ? INFINITE : milliseconds - elapsed,
                                  QS_ALLINPUT);
    }
}
