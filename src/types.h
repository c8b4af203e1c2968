// Types shared by every module: traffic directions, label kinds, the graph and label records and
// the settings record. Win32-free, so the arithmetic and parsing modules compile natively too.
#pragma once

#include <cstdint>

#ifdef _WIN32
#include "platform.h"
#else
// Native builds never touch a GDI object; the handles are opaque there.
struct HPEN__;
struct HBRUSH__;
struct HICON__;
typedef HPEN__* HPEN;
typedef HBRUSH__* HBRUSH;
typedef HICON__* HICON;
typedef std::uint32_t COLORREF;
#endif

namespace Channel {
enum : int { Receive = 0, Send = 1, Count = 2 };
}

namespace LabelKind {
enum : int { Receive = 0, Send = 1, Both = 2, Cost = 3, Count = 4 };
}

constexpr int kCaptionSize = 100; // 99 characters and the terminating zero
constexpr int kPathSize = 260;    // 259 characters and the terminating zero
// "Velnor.interface:": a GUID, a description of up to 256 bytes, "auto" or "all".
constexpr int kInterfaceNameSize = 257;
// A graph keeps the rates of at most this many columns, the newest at its right edge: wider than
// any monitor, 512 KB a graph, and the same bound of memory and work per tick on every build.
constexpr std::int32_t kHistoryMax = 65536;

struct Graph {
    std::int32_t x, y, width, height;
    COLORREF color, background;
    HBRUSH brush;
    HPEN pen;
    std::int64_t maximum;
    std::int64_t* history; // exactly historyColumns() entries whenever a tick or a paint runs
};

inline std::int32_t historyColumns(const Graph& graph) {
    return graph.width < 1 ? 0 : graph.width < kHistoryMax ? graph.width : kHistoryMax;
}

struct Label {
    char caption[kCaptionSize];
    std::int32_t left, right, y, tab_x, tab_y;
    HICON icon;
};

struct WidgetSettings {
    std::int32_t x, y, width, height, timer;
    bool alphaEnabled;
    std::int32_t alphaValue;
    bool sctEnabled;
    COLORREF sctColor;
    bool alwaysOnTop, pluginToggle, inSlit;
    Graph graphs[Channel::Count];
    Label labels[LabelKind::Count];
    double price;
    std::int32_t adapter;
    std::int32_t period; // UsagePeriod: what the labels count
    std::int32_t billingDay;
    // The period's allowance (settings/cap.h); with no ledger kept they are read and ignored.
    std::int64_t capBytes; // 0: no cap
    double budget;         // a cost at `price`; 0 or less: none
    std::int32_t capWarn;  // percent, as read
    COLORREF capWarnColor, capOverColor;
    // Which interface is shown when set: see traffic/interface_choice.h. Empty: `adapter`.
    char interfaceName[kInterfaceNameSize];
    bool interfaceInFile; // the key was in the file at the last read, its value whole
    bool interfaceChosen; // a menu item set interfaceName since the last read
};
