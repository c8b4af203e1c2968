// The module-level handles of the running widget. The start entries set them, the stop entry
// returns them to null; the reload, the window and the commands read them.
#pragma once

#include "platform.h"

typedef BOOL(WINAPI* LayeredAttributesFn)(HWND window, COLORREF key, BYTE alpha, DWORD flags);

struct ModuleHandles {
    HINSTANCE instance;
    HWND host;
    HWND slit; // present when not null: decides every slit-versus-free choice but docking
    HWND widget;
    UINT_PTR timer;
    TIMERPROC timerProc;
    int timerPeriod; // the period the running timer was started with
    LayeredAttributesFn layered;
};

extern ModuleHandles moduleHandles;
