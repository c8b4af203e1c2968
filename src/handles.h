// The module-level handles of the running widget. Only the functions below change them: the
// start entries record them and the stop entry clears them, the window records itself, and the
// timer is started, restarted and stopped here alone. Everyone else reads moduleHandles().
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

const ModuleHandles& moduleHandles();

void recordStart(HINSTANCE instance, HWND host, HWND slit, LayeredAttributesFn layered);
// The window's own creation records it first (its create message comes before the creation
// call returns); its destruction records null.
void recordWidgetWindow(HWND widget);
// False when the platform would not start it.
bool startTimer(int period, TIMERPROC proc);
// A running timer started with another period now runs with `period`; false when the platform
// would not restart it, which leaves the old period running.
bool restartTimer(int period);
void stopTimer();
// Back to the loaded state, all null; the timer was stopped before.
void clearHandles();
