// Running this thread's messages the way a shell's loop would, and what a widget needs from
// user32 that the plug-in's start looks up at run time.
#pragma once

#include "handles.h"
#include "platform.h"

// Dispatches what is queued now.
inline void pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Dispatches messages as they come for about `milliseconds`.
inline void pumpFor(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    while (static_cast<int>(end - GetTickCount()) > 0) {
        pumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

inline LayeredAttributesFn layeredAttributes() {
    return reinterpret_cast<LayeredAttributesFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SetLayeredWindowAttributes")));
}
