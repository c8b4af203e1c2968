// Platform calls a Wine test hooks in to refuse what the widget asks for.
#pragma once

#include "platform.h"

inline UINT_PTR WINAPI refuseTimer(HWND, UINT_PTR, UINT, TIMERPROC) {
    return 0;
}
