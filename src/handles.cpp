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

bool restartTimer(int period) {
    if (!handles.timer || handles.timerPeriod == period)
        return true;
    // An existing thread timer's id replaces that timer; keep whatever id the platform answers.
    const UINT_PTR id =
        SetTimer(nullptr, handles.timer, static_cast<UINT>(period), handles.timerProc);
    if (id == 0)
        return false;
    handles.timer = id;
    handles.timerPeriod = period;
    return true;
}

void stopTimer() {
    if (handles.timer != 0)
        KillTimer(nullptr, handles.timer);
    handles.timer = 0;
}

void clearHandles() {
    handles = ModuleHandles{};
}
