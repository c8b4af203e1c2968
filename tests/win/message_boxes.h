// Watches for message boxes of this thread from a thread timer (it keeps firing inside the
// boxes' modal loops), records what each one shows and closes it with OK.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform.h"

struct SeenBox {
    std::string caption, text;
    HWND owner;
    bool errorIcon, okOnly;
};

namespace boxwatch {

struct State {
    std::vector<SeenBox> seen;
    std::vector<HWND> recorded, closed;
    // Asked at every timer event while a box is open, from inside its loop: close it now?
    std::function<bool(std::size_t index)> closeNow;
    UINT_PTR timer;
};

inline State& state() {
    static State s;
    return s;
}

inline SeenBox describe(HWND window) {
    SeenBox box;
    char text[1024];
    GetWindowTextA(window, text, sizeof text);
    box.caption = text;
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    box.text = text;
    box.owner = GetWindow(window, GW_OWNER);
    box.errorIcon = false;
    HWND child = nullptr;
    while ((child = FindWindowExA(window, child, "Static", nullptr)) != nullptr)
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            box.errorIcon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)) ==
                            LoadIconA(nullptr, IDI_HAND);
    box.okOnly = GetDlgItem(window, IDOK) != nullptr && GetDlgItem(window, IDCANCEL) == nullptr;
    return box;
}
inline BOOL CALLBACK visit(HWND window, LPARAM) {
    char className[16];
    GetClassNameA(window, className, sizeof className);
    State& s = state();
    if (std::string(className) != "#32770" || !IsWindowVisible(window) ||
        std::find(s.closed.begin(), s.closed.end(), window) != s.closed.end())
        return TRUE;
    auto known = std::find(s.recorded.begin(), s.recorded.end(), window);
    std::size_t index = static_cast<std::size_t>(known - s.recorded.begin());
    if (known == s.recorded.end()) {
        s.recorded.push_back(window);
        s.seen.push_back(describe(window));
    }
    if (s.closeNow && !s.closeNow(index))
        return TRUE;
    s.closed.push_back(window);
    EndDialog(window, IDOK);
    return TRUE;
}

inline void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), visit, 0);
}

} // namespace boxwatch

// While alive, every box of this thread is recorded and closed.
class BoxWatcher {
  public:
    explicit BoxWatcher(std::function<bool(std::size_t index)> closeNow = nullptr) {
        boxwatch::State& s = boxwatch::state();
        s.seen.clear();
        s.recorded.clear();
        s.closed.clear();
        s.closeNow = std::move(closeNow);
        s.timer = SetTimer(nullptr, 0, 30, boxwatch::onTimer);
    }
    ~BoxWatcher() {
        KillTimer(nullptr, boxwatch::state().timer);
        boxwatch::state().closeNow = nullptr;
    }
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;
    const std::vector<SeenBox>& seen() const { return boxwatch::state().seen; }
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
