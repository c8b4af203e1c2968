// Watches for message boxes of this thread from a thread timer (it keeps firing inside the boxes'
// modal loops), records what each one shows and closes it with its first button. The Wine tests
// read the records; the shell's driver logs each box as it closes it.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform.h"

struct SeenBox {
    std::string caption, text;
    HWND owner;
    HICON icon;   // null when the box shows none
    UINT buttons; // the MB_ button set shown, kUnknownButtons when none matches
    bool topmost;
};

// Asked at every timer event while a box is open, from inside its loop: close it now? `index`
// counts the boxes in the order they opened. Null closes every box at once.
using CloseNow = std::function<bool(std::size_t index)>;

namespace boxwatch {

constexpr UINT kUnknownButtons = ~0u;

struct ButtonSet {
    UINT style;
    int ids[3];
};
// MessageBox's button sets, the most specific first; 0 ends a list.
constexpr ButtonSet kButtonSets[] = {
    {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
    {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
    {MB_YESNO, {IDYES, IDNO, 0}},
    {MB_RETRYCANCEL, {IDRETRY, IDCANCEL, 0}},
    {MB_OKCANCEL, {IDOK, IDCANCEL, 0}},
    {MB_OK, {IDOK, 0, 0}},
};

inline bool hasButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button && IsWindowVisible(button);
}

inline UINT buttons(HWND box) {
    for (const ButtonSet& set : kButtonSets) {
        bool all = true;
        for (int id : set.ids)
            all = all && (id == 0 || hasButton(box, id));
        if (all)
            return set.style;
    }
    return kUnknownButtons;
}

inline HICON icon(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child))
            return reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    return nullptr;
}

inline SeenBox describe(HWND window) {
    SeenBox box;
    char text[2048];
    GetWindowTextA(window, text, sizeof text);
    box.caption = text;
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    box.text = text;
    box.owner = GetWindow(window, GW_OWNER);
    box.icon = icon(window);
    box.buttons = buttons(window);
    box.topmost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return box;
}

// One per box seen, in the order of `State::seen`.
struct Record {
    HWND window; // null once the box is gone: its handle may come back for a new one
    bool closed, asking;
};

struct State {
    std::vector<SeenBox> seen;
    std::vector<Record> records;
    CloseNow closeNow;
    UINT_PTR timer;
};

inline State& state() {
    static State s;
    return s;
}

inline BOOL CALLBACK visit(HWND window, LPARAM) {
    char className[16];
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) != "#32770" || !IsWindowVisible(window))
        return TRUE;
    State& s = state();
    auto known = std::find_if(s.records.begin(), s.records.end(),
                              [window](const Record& r) { return r.window == window; });
    const std::size_t index = static_cast<std::size_t>(known - s.records.begin());
    if (known == s.records.end()) {
        s.records.push_back({window, false, false});
        s.seen.push_back(describe(window));
    }
    // A box whose question is being answered (and may open boxes of its own) is left alone by
    // the timer events of those inner loops.
    if (s.records[index].closed || s.records[index].asking)
        return TRUE;
    if (s.closeNow) {
        s.records[index].asking = true;
        const bool close = s.closeNow(index);
        s.records[index].asking = false;
        if (!close)
            return TRUE;
    }
    s.records[index].closed = true;
    int answer = IDOK;
    for (const ButtonSet& set : kButtonSets)
        if (set.style == s.seen[index].buttons)
            answer = set.ids[0];
    // A click, not WM_CLOSE: under Wine that answers IDCANCEL.
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    return TRUE;
}

// Looks at every open box of this thread once.
inline void check() {
    for (Record& record : state().records)
        if (record.window && !IsWindow(record.window))
            record.window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), visit, 0);
}

inline void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
    check();
}

} // namespace boxwatch

// While alive, every box of this thread is recorded in the order they open, and closed when
// `closeNow` says so.
class BoxWatcher {
  public:
    explicit BoxWatcher(CloseNow closeNow = nullptr) {
        boxwatch::State& s = boxwatch::state();
        s.seen.clear();
        s.records.clear();
        s.closeNow = std::move(closeNow);
        s.timer = SetTimer(nullptr, 0, 20, boxwatch::onTimer);
    }
    ~BoxWatcher() {
        KillTimer(nullptr, boxwatch::state().timer);
        boxwatch::state().closeNow = nullptr;
    }
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;
    const std::vector<SeenBox>& seen() const { return boxwatch::state().seen; }
};
