#include "handles.h"

namespace {

ModuleHandles handles;

} // namespace

const ModuleHandles& moduleHandles() {
    return handles;
}

void recordStart(HINSTANCE instance, HWND host, HWND slit, LayeredAttributesFn layered) {
    handles.instance = instance;
    handles.host = host;
    handles.slit = slit;
    handles.layered = layered;
}

void recordWidgetWindow(HWND widget) {
    handles.widget = widget;
}

bool startTimer(int period, TIMERPROC proc) {
    handles.timerProc = proc;
    handles.timerPeriod = period;
    handles.timer = SetTimer(nullptr, 0, static_cast<UINT>(period), proc);
    return handles.timer != 0;
}

void restartTimer(int period) {
    if (!handles.timer || handles.timerPeriod == period)
        return;
    // An existing thread timer's id replaces that timer; keep whatever id the platform answers.
    if (UINT_PTR id =
            SetTimer(nullptr, handles.timer, static_cast<UINT>(period), handles.timerProc)) {
        handles.timer = id;
        handles.timerPeriod = period;
    }
}

void stopTimer() {
    if (handles.timer != 0)
        KillTimer(nullptr, handles.timer);
    handles.timer = 0;
}

void clearHandles() {
    handles = ModuleHandles{};
}
