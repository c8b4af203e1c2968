// What the Wine tests need around message boxes: the watcher, an owner window and an icon file.
#pragma once

#include <string>

#include "handles.h"
#include "platform.h"
#include "support/box_watcher.h"

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
