#include "widget/window.h"

#include <algorithm>
#include <climits>

#include "handles.h"
#include "shell.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "usage/keeper.h"
#include "widget/cap_watch.h"
#include "widget/painter.h"
#include "widget/tooltip.h"
#include "widget/usage_window.h"

namespace {

constexpr DWORD kWindowStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr UINT kErrorBoxStyle = MB_TOPMOST | MB_ICONERROR;
constexpr WPARAM kDragCommand = SC_MOVE | HTCAPTION;

// Handed to the host at creation; the host may keep the pointer, so it lives as long as the module.
const UINT kWantedMessages[] = {HOST_MSG_RECONFIGURE, HOST_MSG_BROADCAST, 0};

struct WindowState {
    WidgetCommands commands;
    // Set while the widget stands at `rescuedAt` because its stored rectangle met no monitor:
    // moves to that place are not the user's and are not stored.
    bool rescued;
    POINT rescuedAt;
};
WindowState windowState;

LONG clampToLong(long long value) {
    return static_cast<LONG>(std::clamp<long long>(value, LONG_MIN, LONG_MAX));
}

// The stored place, unless the stored rectangle touches no monitor: then the least move that puts
// it inside the nearest monitor's work area, its top-left corner first where it does not fit.
POINT visiblePlace(const WidgetSettings& settings) {
    const POINT stored{settings.x, settings.y};
    const long long x = settings.x, y = settings.y;
    const long long width = std::max(settings.width, 1), height = std::max(settings.height, 1);
    const RECT rect{stored.x, stored.y, clampToLong(x + width), clampToLong(y + height)};
    if (MonitorFromRect(&rect, MONITOR_DEFAULTTONULL))
        return stored;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor))
        return stored;
    const RECT& work = monitor.rcWork;
    const long long left = std::max<long long>(std::min(x, work.right - width), work.left);
    const long long top = std::max<long long>(std::min(y, work.bottom - height), work.top);
    return POINT{static_cast<LONG>(left), static_cast<LONG>(top)};
}

// Where the window goes now; remembers a rescue so that its move is not stored.
POINT placeFor(const WidgetSettings& settings) {
    const POINT stored{settings.x, settings.y};
    // In the slit the slit owns the place.
    const POINT place = moduleHandles().slit ? stored : visiblePlace(settings);
    windowState.rescued = place.x != stored.x || place.y != stored.y;
    windowState.rescuedAt = place;
    return place;
}

void onCreate(HWND window) {
    recordWidgetWindow(window);
    SendMessageA(moduleHandles().host, HOST_MSG_REGISTER, reinterpret_cast<WPARAM>(window),
                 reinterpret_cast<LPARAM>(kWantedMessages));
    MakeSticky(window);
    applyWindowSettings(window);
}

void onWindowPosChanged(HWND window, const WINDOWPOS* position) {
    // In the slit the slit owns the place; x and y keep their settings values.
    if (moduleHandles().slit || !position)
        return;
    // A minimized window is parked somewhere the user never put it (-32000 on Windows, the
    // screen's edge under Wine); storing that would start the widget off-screen after a write.
    if ((position->flags & SWP_NOMOVE) || IsIconic(window))
        return;
    if (windowState.rescued && position->x == windowState.rescuedAt.x &&
        position->y == windowState.rescuedAt.y)
        return;
    windowState.rescued = false;
    setPosition(position->x, position->y);
}

void onLeftButtonDown(HWND window) {
    // The key state now, not the message's flags: the drag is a Ctrl gesture whatever the flags
    // say.
    if (GetAsyncKeyState(VK_CONTROL) & 0x8000)
        PostMessageA(window, WM_SYSCOMMAND, kDragCommand, 0);
}

void onRightButtonUp() {
    if (windowState.commands.contextMenu)
        windowState.commands.contextMenu();
}

void onExitSizeMove(HWND window) {
    if (moduleHandles().slit)
        SendMessageA(moduleHandles().slit, SLIT_MSG_UPDATE, 0, reinterpret_cast<LPARAM>(window));
}

// A monitor added, removed or resized: the widget goes back to its stored place when that is
// visible again, or is rescued from one that no longer is.
void onDisplayChange(HWND window) {
    if (moduleHandles().slit)
        return;
    const POINT place = placeFor(widgetSettings());
    SetWindowPos(window, nullptr, place.x, place.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The session ends or the machine suspends: the usage kept so far goes to disk now.
void onEndSession(WPARAM ending) {
    if (ending)
        UsageKeeper::save();
}

void onPowerBroadcast(WPARAM event) {
    if (event == PBT_APMSUSPEND)
        UsageKeeper::save();
}

void onReconfigure(HWND window) {
    reload();
    applyWindowSettings(window);
}

void onBroadcast(HWND window, const char* text) {
    if (text && windowState.commands.broadcast)
        windowState.commands.broadcast(window, text);
}

} // namespace

bool createWidgetWindow(const WidgetCommands& commands) {
    windowState = WindowState{};
    windowState.commands = commands;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = widgetWindowProc;
    windowClass.hInstance = moduleHandles().instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWidgetClass;
    if (!RegisterClassA(&windowClass)) {
        MessageBoxA(moduleHandles().host, "Error registering window class", "Error",
                    kErrorBoxStyle);
        return false;
    }
    const DWORD extended =
        moduleHandles().slit ? WS_EX_TOOLWINDOW : WS_EX_TOOLWINDOW | WS_EX_LAYERED;
    HWND window = CreateWindowExA(extended, kWidgetClass, nullptr, kWindowStyle, 0, 0, 0, 0,
                                  nullptr, nullptr, moduleHandles().instance, nullptr);
    recordWidgetWindow(window);
    if (!window) {
        UnregisterClassA(kWidgetClass, moduleHandles().instance);
        MessageBoxA(moduleHandles().host, "Error creating plugin window", "Error", kErrorBoxStyle);
        return false;
    }
    createTooltip(window);
    return true;
}

void destroyWidgetWindow() {
    destroyTooltip();
    if (moduleHandles().widget)
        DestroyWindow(moduleHandles().widget);
    recordWidgetWindow(nullptr);
    UnregisterClassA(kWidgetClass, moduleHandles().instance);
    releaseCachedPicture();
}

void applyWindowSettings(HWND window) {
    const WidgetSettings& settings = widgetSettings();
    // The new limit, before anything is drawn with it; a period found past a threshold shows its
    // colour and no balloon.
    primeCapWatch();
    const POINT place = placeFor(settings);
    SetWindowPos(window, settings.alwaysOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, place.x, place.y,
                 settings.width, settings.height, SWP_NOACTIVATE | SWP_NOSENDCHANGING);
    if (moduleHandles().layered) {
        const BYTE alpha =
            settings.alphaEnabled ? static_cast<BYTE>(settings.alphaValue & 0xFF) : 255;
        moduleHandles().layered(window, 0, alpha, LWA_ALPHA);
        // Each call replaces the whole layered state: with the key set, the alpha no longer
        // applies.
        if (settings.sctEnabled)
            moduleHandles().layered(window, settings.sctColor, 0, LWA_COLORKEY);
    }
    // A period that could not be started leaves the old one ticking; the next reload tries again.
    if (!restartTimer(settings.timer))
        keepTimerPeriod(moduleHandles().timerPeriod);
    invalidateWidget();
    // An open usage window shows the new settings, or closes when no ledger is kept any more.
    refreshUsageWindow();
}

LRESULT CALLBACK widgetWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        onCreate(window);
        return 0;
    case WM_PAINT:
        onPaint(window);
        return 0;
    case WM_PRINTCLIENT:
        onPrintClient(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_WINDOWPOSCHANGED:
        onWindowPosChanged(window, reinterpret_cast<const WINDOWPOS*>(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        onLeftButtonDown(window);
        return 0;
    case WM_RBUTTONUP:
        onRightButtonUp();
        return 0;
    case WM_EXITSIZEMOVE:
        onExitSizeMove(window);
        return 0;
    case WM_DISPLAYCHANGE:
        onDisplayChange(window);
        return 0;
    case WM_NOTIFY:
        onTooltipNotify(reinterpret_cast<NMHDR*>(lParam));
        return 0;
    case WM_ENDSESSION:
        onEndSession(wParam);
        return 0;
    case WM_POWERBROADCAST:
        onPowerBroadcast(wParam);
        return 0;
    case WM_CLOSE: // Alt+F4: the shell's stop alone ends the widget, which it still holds
        return 0;
    case HOST_MSG_RECONFIGURE:
        onReconfigure(window);
        return 0;
    case HOST_MSG_BROADCAST:
        onBroadcast(window, reinterpret_cast<const char*>(lParam));
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
