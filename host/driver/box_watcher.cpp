// Boxes are found by a thread timer, which keeps running inside their modal loops, and logged as
// > box "caption" "text" <style> owner <window>, the style rebuilt from the buttons, the icon and
// the topmost flag.
#include "parts.h"

#include <cstring>
#include <vector>

namespace {

constexpr UINT kBoxTimerPeriod = 50;

struct BoxWatcherState {
    bool closing = false;
    UINT_PTR timer = 0;
    std::vector<HWND> handled;
};
BoxWatcherState watcher;

struct BoxButtons {
    UINT style;
    int ids[3];
};
// MessageBox's button sets, the most specific first; 0 ends a list.
constexpr BoxButtons kBoxButtons[] = {
    {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
    {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
    {MB_YESNO, {IDYES, IDNO, 0}},
    {MB_RETRYCANCEL, {IDRETRY, IDCANCEL, 0}},
    {MB_OKCANCEL, {IDOK, IDCANCEL, 0}},
    {MB_OK, {IDOK, 0, 0}},
};

struct BoxIcon {
    UINT style;
    LPCSTR icon;
};
const BoxIcon kBoxIcons[] = {
    {MB_ICONHAND, IDI_HAND},
    {MB_ICONQUESTION, IDI_QUESTION},
    {MB_ICONEXCLAMATION, IDI_EXCLAMATION},
    {MB_ICONASTERISK, IDI_ASTERISK},
};

bool hasButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button && IsWindowVisible(button);
}

UINT boxButtons(HWND box) {
    for (const BoxButtons& set : kBoxButtons) {
        bool all = true;
        for (int id : set.ids)
            all = all && (id == 0 || hasButton(box, id));
        if (all)
            return set.style;
    }
    return MB_OK;
}

BOOL CALLBACK findIcon(HWND child, LPARAM found) {
    char className[16] = "";
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HICON*>(found) =
            reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        return FALSE;
    }
    return TRUE;
}

UINT boxIcon(HWND box) {
    HICON icon = nullptr;
    EnumChildWindows(box, findIcon, reinterpret_cast<LPARAM>(&icon));
    if (!icon)
        return 0;
    for (const BoxIcon& known : kBoxIcons)
        if (icon == LoadIconA(nullptr, known.icon))
            return known.style;
    return 0;
}

void closeBox(HWND box) {
    char caption[256] = "";
    GetWindowTextA(box, caption, sizeof caption);
    char text[2048] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    const UINT buttons = boxButtons(box);
    UINT style = buttons | boxIcon(box);
    if (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST)
        style |= MB_TOPMOST;
    hostLog("> box %s %s %s owner %s", hostQuote(caption).c_str(), hostQuote(text).c_str(),
            hostHex(static_cast<uintptr_t>(style)).c_str(),
            hostHex(GetWindow(box, GW_OWNER)).c_str());
    watcher.handled.push_back(box);
    // The first button of the set answers; WM_CLOSE would answer IDCANCEL under Wine.
    int answer = IDOK;
    for (const BoxButtons& set : kBoxButtons)
        if (set.style == buttons)
            answer = set.ids[0];
    SendMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

BOOL CALLBACK findBox(HWND window, LPARAM found) {
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    for (HWND handled : watcher.handled)
        if (handled == window)
            return TRUE;
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

void CALLBACK onBoxTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (watcher.closing)
        closeOpenBoxes();
}

} // namespace

void startBoxWatcher(bool closing) {
    watcher.closing = closing;
    watcher.timer = SetTimer(nullptr, 0, kBoxTimerPeriod, onBoxTimer);
}

void stopBoxWatcher() {
    if (watcher.timer)
        KillTimer(nullptr, watcher.timer);
    watcher.timer = 0;
}

void setBoxClosing(bool closing) {
    watcher.closing = closing;
}

void closeOpenBoxes() {
    // Handles of boxes that are gone may come back for new ones.
    auto& handled = watcher.handled;
    for (size_t i = handled.size(); i-- > 0;)
        if (!IsWindow(handled[i]))
            handled.erase(handled.begin() + static_cast<ptrdiff_t>(i));
    std::vector<HWND> boxes;
    EnumThreadWindows(GetCurrentThreadId(), findBox, reinterpret_cast<LPARAM>(&boxes));
    for (HWND box : boxes)
        closeBox(box);
}
