// The tooltip controls of this thread, found as a user of the platform sees them, and the pointer
// that opens them.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform.h"
#include "support/input.h"

inline BOOL CALLBACK collectTooltip(HWND window, LPARAM found) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "tooltips_class32") == 0)
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

inline std::vector<HWND> threadTooltips() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), collectTooltip, reinterpret_cast<LPARAM>(&found));
    return found;
}

// What a tooltip window shows, read back with WM_GETTEXT.
inline std::string tooltipText(HWND tooltip) {
    char text[2048] = {};
    SendMessageA(tooltip, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

// The bottom-left corner of the screen: off every widget, so a window that appears does not
// open its tooltip before a hover does.
inline POINT offEveryWidget() {
    return {0, GetSystemMetrics(SM_CYSCREEN) - 1};
}
