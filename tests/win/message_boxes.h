// Watches for message boxes of this thread from a thread timer (it keeps firing inside the
// boxes' modal loops), records what each one shows and closes it with OK.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "handles.h"
#include "platform.h"

struct SeenBox {
    std::string caption, text;
    HWND owner;
    HICON icon;  // null when the box shows none
    bool okOnly; // an OK button and no other
};

namespace boxwatch {

struct State {
    std::vector<SeenBox> seen;
    std::vector<HWND> recorded, closed, asking;
    // Asked at every timer event while a box is open, from inside its loop: close it now?
    std::function<bool(std::size_t index)> closeNow;
    UINT_PTR timer;
};

inline State& state() {
    static State s;
    return s;
}

inline bool okOnly(HWND box) {
    const int others[] = {IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};
    HWND ok = GetDlgItem(box, IDOK);
    if (ok == nullptr || !IsWindowVisible(ok))
        return false;
    for (int id : others) {
        HWND button = GetDlgItem(box, id);
        if (button != nullptr && IsWindowVisible(button))
            return false;
    }
    return true;
}

inline HICON icon(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child))
            return reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    return nullptr;
}

inline SeenBox describe(HWND window) {
    SeenBox box;
    char text[1024];
    GetWindowTextA(window, text, sizeof text);
    box.caption = text;
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    box.text = text;
    box.owner = GetWindow(window, GW_OWNER);
    box.icon = icon(window);
    box.okOnly = okOnly(window);
    return box;
}

inline bool listed(const std::vector<HWND>& windows, HWND window) {
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

inline BOOL CALLBACK visit(HWND window, LPARAM) {
    char className[16];
    GetClassNameA(window, className, sizeof className);
    State& s = state();
    // A box whose question is being answered (and may open boxes of its own) is left alone by
    // the timer events of those inner loops.
    if (std::string(className) != "#32770" || !IsWindowVisible(window) ||
        listed(s.closed, window) || listed(s.asking, window))
        return TRUE;
    auto known = std::find(s.recorded.begin(), s.recorded.end(), window);
    std::size_t index = static_cast<std::size_t>(known - s.recorded.begin());
    if (known == s.recorded.end()) {
        s.recorded.push_back(window);
        s.seen.push_back(describe(window));
    }
    if (s.closeNow) {
        s.asking.push_back(window);
        const bool close = s.closeNow(index);
        s.asking.erase(std::find(s.asking.begin(), s.asking.end(), window));
        if (!close)
            return TRUE;
    }
    s.closed.push_back(window);
    // Not WM_CLOSE: under Wine that answers IDCANCEL.
    EndDialog(window, IDOK);
    return TRUE;
}

inline void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), visit, 0);
}

} // namespace boxwatch

// While alive, every box of this thread is recorded and closed with OK, in the order they open.
class BoxWatcher {
  public:
    explicit BoxWatcher(std::function<bool(std::size_t index)> closeNow = nullptr) {
        boxwatch::State& s = boxwatch::state();
        s.seen.clear();
        s.recorded.clear();
        s.closed.clear();
        s.asking.clear();
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

// The other handles stay as they are.
inline void useHost(HWND host) {
    const ModuleHandles& now = moduleHandles();
    recordStart(now.instance, host, now.slit, now.layered);
}

// A hidden window standing in for the shell's, so that box ownership can be checked.
class HostWindow {
  public:
    HostWindow() {
        window_ = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
        useHost(window_);
    }
    ~HostWindow() {
        useHost(nullptr);
        DestroyWindow(window_);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND get() const { return window_; }

  private:
    HWND window_;
};

// A 16 x 16 icon in 32 bits: directory, entry, bitmap header, colour rows, mask rows.
inline std::string iconFileBytes() {
    std::string bytes;
    auto u16 = [&](unsigned v) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>(v >> 8 & 0xFF);
    };
    auto u32 = [&](unsigned v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    const unsigned imageSize = 40 + 16 * 16 * 4 + 16 * 4;
    u16(0), u16(1), u16(1);
    bytes += static_cast<char>(16), bytes += static_cast<char>(16), bytes += '\0', bytes += '\0';
    u16(1), u16(32), u32(imageSize), u32(22);
    u32(40), u32(16), u32(32), u16(1), u16(32), u32(0), u32(16 * 16 * 4 + 16 * 4), u32(0), u32(0),
        u32(0), u32(0);
    for (int i = 0; i < 16 * 16; ++i)
        u32(0xFF2080C0u);
    bytes.append(16 * 4, '\0');
    return bytes;
}
