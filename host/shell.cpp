// The shell's window and workspace functions.
#include "host.h"
#include "plugin/shell.h"

namespace {

HWND hostWindow;

} // namespace

void hostSetWindow(HWND window) { hostWindow = window; }

extern "C" HWND GetKSWnd(void) {
    hostLog("GetKSWnd");
    return hostWindow;
}

extern "C" void MakeSticky(HWND window) { hostLog("MakeSticky %p", static_cast<void*>(window)); }
