#include "widget/balloon.h"

#include <commctrl.h>

#include <cstddef>

#include "handles.h"

namespace {

constexpr UINT_PTR kCloseTimer = 0x5643; // beside the control's own timers
constexpr LPARAM kMaxWidth = 320;
// The tool record up to lParam: comctl32 before version 6 refuses the larger size of its headers.
constexpr UINT kToolInfoSize = offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM);

struct BalloonState {
    HWND window;
    WNDPROC controlProc; // the tooltip control's own procedure, which the balloon's wraps
    HWND widget;
};
BalloonState balloon;

TTTOOLINFOA balloonTool(char* text) {
    TTTOOLINFOA tool{};
    tool.cbSize = kToolInfoSize;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = balloon.widget;
    tool.uId = 1;
    tool.lpszText = text;
    return tool;
}

// The control's own procedure, with the close timer and a click that closes the balloon.
LRESULT CALLBACK balloonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam != kCloseTimer)
            break;
        hideBalloon();
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        hideBalloon();
        return 0;
    default:
        break;
    }
    return CallWindowProcA(balloon.controlProc, window, message, wParam, lParam);
}

bool createBalloon(HWND widget) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
    // Owned by no window, like the widget's tooltip: a topmost window owned by the widget keeps
    // the widget itself out of the topmost band under Wine.
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, nullptr,
                                  WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, moduleHandles().instance, nullptr);
    if (!window)
        return false;
    balloon.window = window;
    balloon.widget = widget;
    char empty[] = "";
    TTTOOLINFOA tool = balloonTool(empty);
    if (!SendMessageA(window, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
        destroyBalloon();
        return false;
    }
    SendMessageA(window, TTM_SETMAXTIPWIDTH, 0, kMaxWidth);
    balloon.controlProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(balloonProc)));
    return true;
}

} // namespace

bool showBalloon(HWND widget, const char* title, const char* text, bool over) {
    if (balloon.window && balloon.widget != widget)
        destroyBalloon();
    if (!balloon.window && !createBalloon(widget))
        return false;
    hideBalloon();
    char shown[512];
    lstrcpynA(shown, text, sizeof shown);
    TTTOOLINFOA tool = balloonTool(shown);
    SendMessageA(balloon.window, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(balloon.window, TTM_SETTITLEA, over ? TTI_ERROR : TTI_WARNING,
                 reinterpret_cast<LPARAM>(title));
    RECT rect{};
    GetWindowRect(widget, &rect);
    SendMessageA(balloon.window, TTM_TRACKPOSITION, 0,
                 MAKELPARAM((rect.left + rect.right) / 2, rect.bottom));
    SendMessageA(balloon.window, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    SetTimer(balloon.window, kCloseTimer, kBalloonShowMs, nullptr);
    return true;
}

void hideBalloon() {
    if (!balloon.window)
        return;
    KillTimer(balloon.window, kCloseTimer);
    char empty[] = "";
    TTTOOLINFOA tool = balloonTool(empty);
    SendMessageA(balloon.window, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

void destroyBalloon() {
    if (balloon.window)
        DestroyWindow(balloon.window);
    balloon = BalloonState{};
}

HWND balloonWindow() {
    return balloon.window;
}
