#include "bench_floor.h"

#include <cstring>

#include "gdi.h"
#include "shell.h"
#include "settings/reload.h"
#include "settings/settings.h"

extern "C" void __real_MakeStyleGradient(HDC dc, const RECT* rect, const void* style,
                                         bool bordered);

RawPicture preparedFloor(const TrafficReadings& readings) {
    RawPicture raw;
    for (int channel = 0; channel < Channel::Count; ++channel) {
        const Graph& graph = widgetSettings().graphs[channel];
        double scale = static_cast<double>(graph.height) / static_cast<double>(graph.maximum);
        for (int j = 0; j < graph.width; ++j)
            raw.bars[channel].push_back(
                static_cast<int>(static_cast<double>(graph.history[j]) * scale));
        formatByteCount(readings.rates[channel], raw.captions[channel], kTextSize);
        std::strcat(raw.captions[channel], "/s");
    }
    formatByteCount(readings.totals[0], raw.values[0], kTextSize);
    formatByteCount(readings.totals[1], raw.values[1], kTextSize);
    formatByteCount(readings.totals[0] + readings.totals[1], raw.values[2], kTextSize);
    formatCost(readings.cost, raw.values[3], kTextSize);
    return raw;
}

void drawFloor(HDC dc, const RawPicture& raw) {
    const WidgetSettings& s = widgetSettings();
    RECT whole{0, 0, s.width, s.height};
    if (s.sctEnabled)
        FillRect(dc, &whole, drawingResources().sctBrush);
    else
        __real_MakeStyleGradient(dc, &whole, drawingResources().styleCopy, true);
    ScopedSelect font(dc, drawingResources().styleFont);
    SetBkMode(dc, TRANSPARENT);
    COLORREF text;
    std::memcpy(&text, drawingResources().styleCopy + kStyleTextColorOffset, sizeof text);
    SetTextColor(dc, text);
    for (int channel = 0; channel < Channel::Count; ++channel) {
        const Graph& g = s.graphs[channel];
        ScopedSelect brush(dc, g.brush);
        ScopedSelect frame(dc, drawingResources().framePen);
        Rectangle(dc, g.x - 1, g.y - 1, g.x + g.width + 1, g.y + g.height + 1);
        {
            ScopedSelect bars(dc, g.pen);
            for (int j = 0; j < g.width; ++j) {
                int bar = raw.bars[channel][static_cast<std::size_t>(j)];
                if (bar > 0)
                    Rectangle(dc, g.x + j, g.y + g.height - bar, g.x + j + 1, g.y + g.height);
            }
        }
        RECT box{g.x, g.y, g.x + g.width, g.y + g.height};
        DrawTextA(dc, raw.captions[channel], -1, &box,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    for (int kind = 0; kind < LabelKind::Count; ++kind) {
        const Label& l = s.labels[kind];
        if (l.icon)
            DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(l.icon), 0, l.left, l.y, 0, 0,
                       DST_ICON);
        int top = l.y + l.tab_y;
        RECT caption{l.left + l.tab_x, top, l.left + 100, top + 20};
        if (caption.right > caption.left)
            DrawTextA(dc, l.caption, -1, &caption, 0);
        RECT value{l.right - 100, top, l.right, top + 20};
        if (value.right > value.left)
            DrawTextA(dc, raw.values[kind], -1, &value, DT_RIGHT);
    }
}

bool prepareFloor(HMODULE library, QueryFloor& floor) {
    floor.table = reinterpret_cast<DWORD(WINAPI*)(MIB_IFTABLE*, ULONG*, BOOL)>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetIfTable")));
    floor.entry = reinterpret_cast<DWORD(WINAPI*)(MIB_IF_ROW2*)>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetIfEntry2")));
    floor.capacity = 0;
    if (!floor.table || !floor.entry ||
        floor.table(nullptr, &floor.capacity, TRUE) != ERROR_INSUFFICIENT_BUFFER)
        return false;
    floor.buffer.assign(floor.capacity, 0);
    auto* table = reinterpret_cast<MIB_IFTABLE*>(floor.buffer.data());
    ULONG size = floor.capacity;
    if (floor.table(table, &size, TRUE) != NO_ERROR || table->dwNumEntries == 0)
        return false;
    floor.row = MIB_IF_ROW2{};
    floor.row.InterfaceIndex = table->table[0].dwIndex;
    return floor.entry(&floor.row) == NO_ERROR;
}

void callFloor(QueryFloor& floor, int tables) {
    auto* table = reinterpret_cast<MIB_IFTABLE*>(floor.buffer.data());
    for (int i = 0; i < tables; ++i) {
        ULONG size = floor.capacity;
        floor.table(table, &size, TRUE);
    }
    floor.entry(&floor.row);
}
