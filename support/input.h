// Real pointer and keyboard input by SendInput, as the user's hand would give it: the platform
// then tells whatever window lies under the pointer.
#pragma once

#include <functional>

#include "platform.h"

// Moves the pointer to a screen point, with `flags` (button presses) at that point.
inline void sendMouse(DWORD flags, POINT at) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(at.x, 65535, width > 1 ? width - 1 : 1);
    input.mi.dy = MulDiv(at.y, 65535, height > 1 ? height - 1 : 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
}

inline void pointAt(POINT at) {
    sendMouse(0, at);
}

inline void sendKey(WORD key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

struct Drag {
    POINT from;
    POINT by;
};

inline DWORD WINAPI ctrlDragThread(LPVOID parameter) {
    const Drag drag = *static_cast<const Drag*>(parameter);
    constexpr int kSteps = 8;
    // Each event is given time to arrive before the next: the press must find Ctrl down, and
    // the moves the move loop running.
    auto mouse = [](DWORD flags, POINT at) {
        sendMouse(flags, at);
        Sleep(30);
    };
    mouse(0, drag.from);
    sendKey(VK_CONTROL, false);
    Sleep(30);
    mouse(MOUSEEVENTF_LEFTDOWN, drag.from);
    for (int step = 1; step <= kSteps; ++step)
        mouse(0,
              {drag.from.x + drag.by.x * step / kSteps, drag.from.y + drag.by.y * step / kSteps});
    mouse(MOUSEEVENTF_LEFTUP, {drag.from.x + drag.by.x, drag.from.y + drag.by.y});
    sendKey(VK_CONTROL, true);
    return 0;
}

// Drags with Ctrl and the left button held, from a screen point by an offset. The input comes
// from a helper thread: the window's move loop runs on this one, inside the handling of the
// posted system command, and needs input arriving while it runs. `pump` handles this thread's
// messages meanwhile; false from it stops handling them. False when the thread did not start.
inline bool ctrlDrag(Drag drag, const std::function<bool()>& pump) {
    HANDLE thread = CreateThread(nullptr, 0, ctrlDragThread, &drag, 0, nullptr);
    if (!thread)
        return false;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        if (!pump())
            break;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return true;
}
