// The host window: GetKSWnd's answer, the register of which window wants which host messages, and
// the delivery of broadcasts. Also MakeSticky, which has nothing to do on a single workspace.
#include <algorithm>
#include <deque>

#include "host.h"
#include "shell.h"

namespace {

constexpr const char* kHostClass = "KestrumHostWindow";
// A registration list longer than this is taken as missing its terminating zero.
constexpr int kMaxRegisteredMessages = 64;

struct HostState {
    HWND window = nullptr;  // GetKSWnd's answer
    HWND created = nullptr; // the host window made by hostCreateWindows
    HINSTANCE instance = nullptr;
    std::vector<HostRegistration> registrations;
    std::deque<std::string> posted; // broadcasts waiting for their message, oldest first
};
HostState hostState;

const char* messageName(UINT message) {
    switch (message) {
    case HOST_MSG_RECONFIGURE:
        return "HOST_MSG_RECONFIGURE";
    case HOST_MSG_BROADCAST:
        return "HOST_MSG_BROADCAST";
    default:
        return nullptr;
    }
}

std::string messageText(UINT message) {
    const char* name = messageName(message);
    return name ? name : std::to_string(message);
}

LRESULT onRegister(WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    const UINT* list = reinterpret_cast<const UINT*>(lParam);
    std::string line = "HOST_MSG_REGISTER " + hostHex(window);
    if (!list) {
        hostLog("%s null -> ignored", line.c_str());
        return 0;
    }
    std::vector<UINT> messages;
    int count = 0;
    for (; count < kMaxRegisteredMessages && list[count] != 0; ++count) {
        messages.push_back(list[count]);
        line += " " + std::to_string(list[count]);
    }
    if (count == kMaxRegisteredMessages) {
        hostLog("%s ... -> ignored (no terminating 0)", line.c_str());
        return 0;
    }
    if (!IsWindow(window)) {
        hostLog("%s -> ignored (not a window)", line.c_str());
        return 0;
    }
    hostLog("%s", line.c_str());
    // A window that registers again replaces its list, so it never gets a message twice.
    auto& registrations = hostState.registrations;
    auto found = std::find_if(registrations.begin(), registrations.end(),
                              [window](const HostRegistration& r) { return r.window == window; });
    if (found != registrations.end())
        found->messages = std::move(messages);
    else
        registrations.push_back({window, std::move(messages)});
    return 0;
}

// A broadcast posted to the host window, delivered when its message comes up. The text waits
// in the host's own queue: the message carries nothing, since a plug-in may send the same number.
constexpr UINT kPostedBroadcast = WM_APP + 2;

LRESULT onPostedBroadcast() {
    if (hostState.posted.empty())
        return 0;
    const std::string text = std::move(hostState.posted.front());
    hostState.posted.pop_front();
    hostBroadcast(text.c_str());
    return 0;
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case HOST_MSG_REGISTER:
        return onRegister(wParam, lParam);
    case kPostedBroadcast:
        return onPostedBroadcast();
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

void forgetDeadWindows() {
    auto& registrations = hostState.registrations;
    registrations.erase(
        std::remove_if(registrations.begin(), registrations.end(),
                       [](const HostRegistration& r) { return !IsWindow(r.window); }),
        registrations.end());
}

// Who gets `message` now. Taken before the first delivery because a receiver may register,
// unregister or broadcast again while it handles the message.
std::vector<HWND> receiversOf(UINT message) {
    forgetDeadWindows();
    std::vector<HWND> receivers;
    for (const HostRegistration& r : hostState.registrations)
        if (std::find(r.messages.begin(), r.messages.end(), message) != r.messages.end())
            receivers.push_back(r.window);
    return receivers;
}

int deliver(const std::vector<HWND>& receivers, UINT message, WPARAM wParam, LPARAM lParam) {
    int delivered = 0;
    for (HWND receiver : receivers) {
        if (!IsWindow(receiver))
            continue;
        SendMessageA(receiver, message, wParam, lParam);
        ++delivered;
    }
    return delivered;
}

std::string windowList(const std::vector<HWND>& windows) {
    std::string text;
    for (HWND w : windows)
        text += " " + hostHex(w);
    return windows.empty() ? " none" : text;
}

} // namespace

void hostSetWindow(HWND window) {
    hostState.window = window;
}

HWND hostWindow() {
    return hostState.window;
}

// The slit belongs to the host window's life (slit.cpp).
bool hostCreateSlit(HINSTANCE instance, std::string* reason);
void hostDestroySlit(HINSTANCE instance);

std::string hostFailedCall(const char* call) {
    const DWORD error = GetLastError();
    char text[200] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   text, sizeof text, nullptr);
    std::string reason = std::string(call) + " failed: " + text;
    while (!reason.empty() &&
           (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason + " (error " + std::to_string(error) + ")";
}

bool hostCreateWindows(HINSTANCE instance, std::string* reason) {
    if (hostState.created)
        return true;
    std::string ignored;
    std::string& why = reason ? *reason : ignored;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = hostWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kHostClass;
    if (!RegisterClassA(&windowClass)) {
        why = hostFailedCall("RegisterClassA(host)");
        return false;
    }
    // Hidden, but a real top-level window: plug-ins use it as the owner of their message boxes.
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, kHostClass, "Kestrum", WS_POPUP, 0, 0, 1, 1,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) {
        why = hostFailedCall("CreateWindowExA(host)");
        UnregisterClassA(kHostClass, instance);
        return false;
    }
    hostState.created = window;
    hostState.instance = instance;
    hostState.window = window;
    if (!hostCreateSlit(instance, &why)) {
        hostDestroyWindows();
        return false;
    }
    return true;
}

void hostDestroyWindows() {
    if (!hostState.created)
        return;
    hostDestroySlit(hostState.instance);
    DestroyWindow(hostState.created);
    UnregisterClassA(kHostClass, hostState.instance);
    if (hostState.window == hostState.created)
        hostState.window = nullptr;
    hostState.created = nullptr;
    hostState.registrations.clear();
    hostState.posted.clear();
}

const std::vector<HostRegistration>& hostRegistrations() {
    forgetDeadWindows();
    return hostState.registrations;
}

int hostSendToRegistered(UINT message, WPARAM wParam, LPARAM lParam) {
    const std::vector<HWND> receivers = receiversOf(message);
    hostLog("%s ->%s", messageText(message).c_str(), windowList(receivers).c_str());
    return deliver(receivers, message, wParam, lParam);
}

int hostBroadcast(const char* text) {
    const std::vector<HWND> receivers = receiversOf(HOST_MSG_BROADCAST);
    // The receivers get a copy: the caller's text (a menu item's command, say) may go away while
    // they handle it.
    const std::string copy = text ? text : "";
    hostLog("HOST_MSG_BROADCAST %s ->%s", hostQuote(text).c_str(), windowList(receivers).c_str());
    return deliver(receivers, HOST_MSG_BROADCAST, 0,
                   text ? reinterpret_cast<LPARAM>(copy.c_str()) : 0);
}

bool hostPostBroadcast(const char* text) {
    if (!hostState.created || !text)
        return false;
    hostState.posted.emplace_back(text);
    if (PostMessageA(hostState.created, kPostedBroadcast, 0, 0))
        return true;
    hostState.posted.pop_back();
    return false;
}

extern "C" HWND GetKSWnd(void) {
    hostLog("GetKSWnd -> %s", hostHex(hostState.window).c_str());
    return hostState.window;
}

extern "C" void MakeSticky(HWND window) {
    hostLog("MakeSticky %s", hostHex(window).c_str());
}
