// The slit: a bar at the screen's top right corner that holds plug-in windows stacked top to
// bottom. The plug-in windows stay top-level windows; the slit places them over its client area
// and sizes itself to fit them, and hides while it holds none.
#include <algorithm>

#include "host.h"
#include "shell.h"

namespace {

constexpr const char* kSlitClass = "KestrumSlit";
constexpr DWORD kSlitStyle = WS_POPUP | WS_BORDER;
constexpr DWORD kSlitExStyle = WS_EX_TOOLWINDOW;

struct SlitState {
    HWND window = nullptr;
    std::vector<HWND> windows;
    bool layingOut = false;
};
SlitState slitState;

void forgetDeadWindows() {
    auto& windows = slitState.windows;
    windows.erase(
        std::remove_if(windows.begin(), windows.end(), [](HWND w) { return !IsWindow(w); }),
        windows.end());
}

SIZE windowSize(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void layOut() {
    // Moving a plug-in window may make it tell the slit again; that nested request changes nothing
    // this pass does not already do.
    if (slitState.layingOut || !slitState.window)
        return;
    slitState.layingOut = true;
    forgetDeadWindows();
    HWND slit = slitState.window;
    if (slitState.windows.empty()) {
        ShowWindow(slit, SW_HIDE);
        slitState.layingOut = false;
        return;
    }
    LONG width = 0;
    LONG height = kSlitPadding;
    for (HWND w : slitState.windows) {
        const SIZE size = windowSize(w);
        width = std::max(width, size.cx);
        height += size.cy + kSlitPadding;
    }
    RECT frame = {0, 0, width + 2 * kSlitPadding, height};
    AdjustWindowRectEx(&frame, kSlitStyle, FALSE, kSlitExStyle);
    const int frameWidth = frame.right - frame.left;
    const int frameHeight = frame.bottom - frame.top;
    // At the bottom of the z-order, so that the plug-in windows placed over it stay visible.
    SetWindowPos(slit, HWND_BOTTOM, GetSystemMetrics(SM_CXSCREEN) - frameWidth, 0, frameWidth,
                 frameHeight, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    POINT origin = {kSlitPadding, kSlitPadding};
    ClientToScreen(slit, &origin);
    for (HWND w : slitState.windows) {
        SetWindowPos(w, nullptr, origin.x, origin.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        origin.y += windowSize(w).cy + kSlitPadding;
    }
    slitState.layingOut = false;
}

LRESULT onAdd(WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(lParam);
    const std::string args = hostHex(static_cast<uintptr_t>(wParam)) + " " + hostHex(window);
    if (!IsWindow(window) || window == slitState.window) {
        hostLog("SLIT_MSG_ADD %s -> ignored (not a window)", args.c_str());
        return FALSE;
    }
    hostLog("SLIT_MSG_ADD %s", args.c_str());
    auto& windows = slitState.windows;
    if (std::find(windows.begin(), windows.end(), window) == windows.end())
        windows.push_back(window);
    layOut();
    return TRUE;
}

LRESULT onRemove(WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(lParam);
    const std::string args = hostHex(static_cast<uintptr_t>(wParam)) + " " + hostHex(window);
    auto& windows = slitState.windows;
    auto found = std::find(windows.begin(), windows.end(), window);
    if (found == windows.end()) {
        hostLog("SLIT_MSG_REMOVE %s -> not in the slit", args.c_str());
        layOut();
        return FALSE;
    }
    hostLog("SLIT_MSG_REMOVE %s", args.c_str());
    windows.erase(found);
    layOut();
    return TRUE;
}

LRESULT onUpdate(WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(lParam);
    const std::string args = hostHex(static_cast<uintptr_t>(wParam)) + " " + hostHex(window);
    const auto& windows = slitState.windows;
    const bool held = std::find(windows.begin(), windows.end(), window) != windows.end();
    hostLog("SLIT_MSG_UPDATE %s%s", args.c_str(), held ? "" : " -> not in the slit");
    layOut();
    return held ? TRUE : FALSE;
}

LRESULT CALLBACK slitWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case SLIT_MSG_ADD:
        return onAdd(wParam, lParam);
    case SLIT_MSG_REMOVE:
        return onRemove(wParam, lParam);
    case SLIT_MSG_UPDATE:
        return onUpdate(wParam, lParam);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

bool hostCreateSlit(HINSTANCE instance, std::string* reason) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = slitWindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNSHADOW);
    windowClass.lpszClassName = kSlitClass;
    if (!RegisterClassA(&windowClass)) {
        *reason = hostFailedCall("RegisterClassA(slit)");
        return false;
    }
    slitState.window = CreateWindowExA(kSlitExStyle, kSlitClass, "Slit", kSlitStyle, 0, 0, 1, 1,
                                       nullptr, nullptr, instance, nullptr);
    if (!slitState.window) {
        *reason = hostFailedCall("CreateWindowExA(slit)");
        UnregisterClassA(kSlitClass, instance);
        return false;
    }
    return true;
}

void hostDestroySlit(HINSTANCE instance) {
    if (!slitState.window)
        return;
    DestroyWindow(slitState.window);
    UnregisterClassA(kSlitClass, instance);
    slitState = SlitState{};
}

HWND hostSlitWindow() {
    return slitState.window;
}

const std::vector<HWND>& hostSlitWindows() {
    forgetDeadWindows();
    return slitState.windows;
}
