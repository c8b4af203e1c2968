// A tiny plug-in for testing the stand-in shell itself: a window of one colour with a black
// square at its top left, a menu that changes the colour, and message boxes on command. Every
// step it takes goes through a shell function or message, so the shell's log shows it.
#include <cstring>

#include "platform.h"
#include "shell.h"

namespace {

constexpr const char* kClass = "HostProbeClass";
constexpr int kWidth = 40;
constexpr int kHeight = 30;
constexpr int kMarker = 10;
constexpr UINT kWanted[] = {HOST_MSG_RECONFIGURE, HOST_MSG_BROADCAST, 0};

struct ProbeState {
    HINSTANCE instance = nullptr;
    HWND host = nullptr;
    HWND slit = nullptr;
    HWND window = nullptr;
    COLORREF color = RGB(0, 0, 255);
};
ProbeState probe;

struct ColorCommand {
    const char* command;
    COLORREF color;
};
constexpr ColorCommand kColors[] = {
    {"@Probe.color.green", RGB(0, 255, 0)},
    {"@Probe.color.red", RGB(255, 0, 0)},
};

void paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT all = {0, 0, kWidth, kHeight};
    HBRUSH background = CreateSolidBrush(probe.color);
    FillRect(dc, &all, background);
    DeleteObject(background);
    RECT marker = {0, 0, kMarker, kMarker};
    FillRect(dc, &marker, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(window, &ps);
}

void showMenu() {
    Menu* main = MakeNamedMenu("Probe", "Probe_IDMain", true);
    Menu* colors = MakeNamedMenu("Colour", "Probe_IDColour", true);
    MakeMenuItem(colors, "green", kColors[0].command, probe.color == kColors[0].color);
    MakeMenuItem(colors, "red", kColors[1].command, probe.color == kColors[1].color);
    MakeSubmenu(main, colors, "Colour");
    MakeMenuNOP(main, nullptr);
    MakeMenuItem(main, "Box", "@Probe.box", false);
    ShowMenu(main);
}

void onBroadcast(HWND window, const char* text) {
    if (!text)
        return;
    for (const ColorCommand& c : kColors)
        if (strcmp(text, c.command) == 0) {
            probe.color = c.color;
            InvalidateRect(window, nullptr, FALSE);
        }
    if (strcmp(text, "@Probe.box") == 0) {
        MessageBoxA(window, "line one\nline two", "Probe box", MB_ICONINFORMATION | MB_TOPMOST);
        GetKSWnd(); // shows in the log that the box returned
    }
    if (strcmp(text, "@Probe.plainbox") == 0)
        MessageBoxA(nullptr, "plain", "Plain", MB_OK);
}

LRESULT CALLBACK probeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SendMessageA(probe.host, HOST_MSG_REGISTER, reinterpret_cast<WPARAM>(window),
                     reinterpret_cast<LPARAM>(kWanted));
        return 0;
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_RBUTTONUP:
        showMenu();
        return 0;
    case WM_LBUTTONDOWN:
        if (GetAsyncKeyState(VK_CONTROL) & 0x8000)
            PostMessageA(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        return 0;
    case WM_EXITSIZEMOVE:
        MakeSticky(window); // shows in the log that the move loop ended
        return 0;
    case HOST_MSG_RECONFIGURE:
        MakeSticky(window);
        return 0;
    case HOST_MSG_BROADCAST:
        onBroadcast(window, reinterpret_cast<const char*>(lParam));
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

extern "C" {

__declspec(dllexport) const char* pluginInfo(int field) {
    return field == 1 ? "Probe" : "Probe 1.0";
}

__declspec(dllexport) int beginPlugin(HINSTANCE instance) {
    probe.host = GetKSWnd();
    probe.instance = instance;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = probeProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClass;
    if (!RegisterClassA(&windowClass))
        return 1;
    probe.window = CreateWindowExA(WS_EX_TOOLWINDOW, kClass, "Probe", WS_POPUP | WS_VISIBLE, 200,
                                   200, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (!probe.window) {
        UnregisterClassA(kClass, instance);
        return 1;
    }
    return 0;
}

__declspec(dllexport) int beginSlitPlugin(HINSTANCE instance, HWND slit) {
    probe.slit = slit;
    if (beginPlugin(instance) != 0)
        return 1;
    SendMessageA(slit, SLIT_MSG_ADD, 0, reinterpret_cast<LPARAM>(probe.window));
    return 0;
}

__declspec(dllexport) int beginPluginEx(HINSTANCE instance, HWND slit) {
    return beginSlitPlugin(instance, slit);
}

__declspec(dllexport) void endPlugin() {
    if (probe.slit)
        SendMessageA(probe.slit, SLIT_MSG_REMOVE, 0, reinterpret_cast<LPARAM>(probe.window));
    DestroyWindow(probe.window);
    UnregisterClassA(kClass, probe.instance);
    probe = ProbeState{};
}

} // extern "C"
