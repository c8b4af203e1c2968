// How fast the widget is against the floor the platform sets: each figure is the widget's own
// path next to the platform calls it cannot avoid, measured in the same run, interleaved, and
// printed as a ratio. Nothing here is a pass or fail on time; the exit code is 1 only when a
// figure could not be measured or the widget allocated heap memory in steady state.
//
// Usage: bench [--quick]   (--quick: a few rounds only, for the smoke test)
//
// Heap allocations are counted by patching this executable's import table: malloc, calloc,
// realloc, _strdup (msvcrt, which operator new also ends in) and HeapAlloc, HeapReAlloc,
// LocalAlloc, LocalReAlloc, GlobalAlloc (kernel32). Everything linked in here (the widget's
// modules and the stand-in shell's functions) calls the platform through that table. What the
// shell's own functions allocate while the painter calls them (its call log) is counted apart,
// through the linker's --wrap of MakeStyleGradient.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform.h"
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include "support/fake_iphlpapi_client.h"
#include "gdi.h"
#include "handles.h"
#include "host.h"
#include "shell.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "traffic/format.h"
#include "traffic/interface_table.h"
#include "traffic/sampler.h"
#include "widget/painter.h"
#include "support/import_hook.h"

extern "C" void __real_MakeStyleGradient(HDC dc, const RECT* rect, const void* style,
                                         bool bordered);
extern "C" void __wrap_MakeStyleGradient(HDC dc, const RECT* rect, const void* style,
                                         bool bordered);

namespace {

// ---- allocation counting --------------------------------------------------------------------

struct AllocationCount {
    bool counting;
    bool inShell;
    long widget;
    long shell;
    decltype(&std::malloc) malloc_;
    decltype(&std::calloc) calloc_;
    decltype(&std::realloc) realloc_;
    char* (*strdup_)(const char*);
    decltype(&HeapAlloc) heapAlloc;
    decltype(&HeapReAlloc) heapReAlloc;
    decltype(&LocalAlloc) localAlloc;
    decltype(&LocalReAlloc) localReAlloc;
    decltype(&GlobalAlloc) globalAlloc;
    decltype(&LoadLibraryA) loadLibraryA;
};
AllocationCount allocations;

void counted() {
    if (!allocations.counting)
        return;
    if (allocations.inShell)
        ++allocations.shell;
    else
        ++allocations.widget;
}

void* __cdecl countingMalloc(size_t size) {
    counted();
    return allocations.malloc_(size);
}
void* __cdecl countingCalloc(size_t count, size_t size) {
    counted();
    return allocations.calloc_(count, size);
}
void* __cdecl countingRealloc(void* block, size_t size) {
    counted();
    return allocations.realloc_(block, size);
}
char* __cdecl countingStrdup(const char* text) {
    counted();
    return allocations.strdup_(text);
}
LPVOID WINAPI countingHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
    counted();
    return allocations.heapAlloc(heap, flags, size);
}
LPVOID WINAPI countingHeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T size) {
    counted();
    return allocations.heapReAlloc(heap, flags, block, size);
}
HLOCAL WINAPI countingLocalAlloc(UINT flags, SIZE_T size) {
    counted();
    return allocations.localAlloc(flags, size);
}
HLOCAL WINAPI countingLocalReAlloc(HLOCAL block, SIZE_T size, UINT flags) {
    counted();
    return allocations.localReAlloc(block, size, flags);
}
HGLOBAL WINAPI countingGlobalAlloc(UINT flags, SIZE_T size) {
    counted();
    return allocations.globalAlloc(flags, size);
}

void installAllocationCounting() {
    AllocationCount& a = allocations;
    hookImport(a.malloc_, "msvcrt.dll", "malloc", &countingMalloc);
    hookImport(a.calloc_, "msvcrt.dll", "calloc", &countingCalloc);
    hookImport(a.realloc_, "msvcrt.dll", "realloc", &countingRealloc);
    hookImport(a.strdup_, "msvcrt.dll", "_strdup", &countingStrdup);
    hookImport(a.heapAlloc, "kernel32.dll", "HeapAlloc", &countingHeapAlloc);
    hookImport(a.heapReAlloc, "kernel32.dll", "HeapReAlloc", &countingHeapReAlloc);
    hookImport(a.localAlloc, "kernel32.dll", "LocalAlloc", &countingLocalAlloc);
    hookImport(a.localReAlloc, "kernel32.dll", "LocalReAlloc", &countingLocalReAlloc);
    hookImport(a.globalAlloc, "kernel32.dll", "GlobalAlloc", &countingGlobalAlloc);
}

// ---- the scripted table ---------------------------------------------------------------------

// The scripted Iphlpapi.dll, copied beside this program under a name of its own: under its real
// name Wine would hand out its built-in library instead, which the real-table figures need.
constexpr const char* kScriptedTableFile = "bench_iftable.dll";
char scriptedTablePath[MAX_PATH];

HMODULE WINAPI redirectedLoadLibraryA(LPCSTR name) {
    if (name && lstrcmpiA(name, "Iphlpapi.dll") == 0)
        return allocations.loadLibraryA(scriptedTablePath);
    return allocations.loadLibraryA(name);
}

// ---- timing ---------------------------------------------------------------------------------

double ticksPerSecond() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart);
}

double now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / ticksPerSecond();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

struct Pair {
    double subject; // seconds per operation, median over rounds
    double floor;
};

// Runs the two in alternating rounds of `batch` operations each, so that a busy machine slows
// both alike, and keeps the median of the per-operation times.
template <typename A, typename B> Pair measure(int rounds, int batch, A subject, B floor) {
    std::vector<double> a, b;
    for (int r = 0; r < rounds; ++r) {
        double start = now();
        for (int i = 0; i < batch; ++i)
            subject();
        double middle = now();
        for (int i = 0; i < batch; ++i)
            floor();
        double end = now();
        a.push_back((middle - start) / batch);
        b.push_back((end - middle) / batch);
    }
    return {median(a), median(b)};
}

void printRatio(const char* what, const char* floorName, Pair pair, double goal) {
    double ratio = pair.floor > 0 ? pair.subject / pair.floor : 0.0;
    std::printf("%-44s %10.2f us  %-30s %10.2f us  ratio %6.3f", what, pair.subject * 1e6,
                floorName, pair.floor * 1e6, ratio);
    if (goal > 0)
        std::printf("  (goal <= %.2f)", goal);
    std::printf("\n");
}

// ---- the widget's state for the figures -----------------------------------------------------

std::uint32_t nextRandom(std::uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

// The settings' defaults (no settings file) and the objects the reload makes for them, optionally
// with both graphs `columns` wide. Histories hold varied rates, as after a busy minute.
void prepareWidget(int columns) {
    makeFramePen();
    reload();
    WidgetSettings settings = widgetSettings();
    if (columns > 0) {
        settings.width = columns + 10;
        for (int channel = 0; channel < Channel::Count; ++channel) {
            settings.graphs[channel].x = 5;
            settings.graphs[channel].width = columns;
        }
    }
    std::uint32_t seed = 12345;
    for (int channel = 0; channel < Channel::Count; ++channel) {
        Graph& graph = settings.graphs[channel];
        LocalFree(graph.history);
        graph.history = static_cast<std::int64_t*>(
            LocalAlloc(LMEM_FIXED, static_cast<std::size_t>(graph.width) * sizeof(std::int64_t)));
        graph.maximum = 0;
        for (int j = 0; j < graph.width; ++j) {
            graph.history[j] = nextRandom(seed) % 200000;
            graph.maximum = std::max(graph.maximum, graph.history[j]);
        }
    }
    installSettings(settings);
}

TrafficReadings sampleReadings() {
    TrafficReadings readings{};
    readings.totals[Channel::Receive] = 3000000000LL;
    readings.totals[Channel::Send] = 123456789LL;
    readings.rates[Channel::Receive] = 1536;
    readings.rates[Channel::Send] = 150000;
    readings.cost = 1234.5678;
    return readings;
}

// ---- the floor of a picture -----------------------------------------------------------------

// The calls a picture cannot do without, with every text and bar height worked out beforehand:
// background, font and text mode, per graph its frame, one rectangle per visible bar and its
// caption, per label its icon, caption and value.
struct RawPicture {
    std::vector<int> bars[Channel::Count];
    char captions[Channel::Count][kTextSize];
    char values[LabelKind::Count][kTextSize];
};

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

// ---- the platform calls a tick cannot avoid -------------------------------------------------

struct QueryFloor {
    DWORD(WINAPI* table)(MIB_IFTABLE*, ULONG*, BOOL);
    DWORD(WINAPI* entry)(MIB_IF_ROW2*);
    std::vector<unsigned char> buffer;
    ULONG capacity;
    MIB_IF_ROW2 row; // asks for the first row's interface, the one the default settings show
};

// The library's two queries and a buffer for its table as it is now; false when either query is
// missing or the table is empty.
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

// `tables` table queries and the entry with the 64-bit counters.
void callFloor(QueryFloor& floor, int tables) {
    auto* table = reinterpret_cast<MIB_IFTABLE*>(floor.buffer.data());
    for (int i = 0; i < tables; ++i) {
        ULONG size = floor.capacity;
        floor.table(table, &size, TRUE);
    }
    floor.entry(&floor.row);
}

// ---- the figures ----------------------------------------------------------------------------

struct Options {
    int rounds;
    int scale; // multiplies the batch sizes
};

bool failed = false;

void missing(const char* what) {
    std::printf("%-44s not measured\n", what);
    failed = true;
}

void realTableTick(const Options& o) {
    const char* what = "tick, real table";
    if (!InterfaceTable::load()) {
        missing(what);
        return;
    }
    QueryFloor floor;
    if (!prepareFloor(GetModuleHandleA("Iphlpapi.dll"), floor)) {
        missing(what);
        InterfaceTable::release();
        return;
    }
    prepareWidget(0);
    TrafficSampler::resetHistory();
    Pair pair = measure(
        o.rounds, 2 * o.scale, [] { TrafficSampler::tick(); },
        [&] { callFloor(floor, 2); }); // one table query per counter, as ticks used to make
    printRatio("tick, real table, default settings", "2 GetIfTable, 1 GetIfEntry2", pair, 1.10);
    InterfaceTable::release();
}

void scriptedTableTick(const Options& o) {
    const char* what = "tick, scripted table, 400 columns";
    DWORD length = GetModuleFileNameA(nullptr, scriptedTablePath, MAX_PATH);
    char* slash = std::strrchr(scriptedTablePath, '\\');
    if (length == 0 || !slash) {
        missing(what);
        return;
    }
    std::strcpy(slash + 1, kScriptedTableFile);
    hookImport(allocations.loadLibraryA, "kernel32.dll", "LoadLibraryA", &redirectedLoadLibraryA);
    bool loaded = allocations.loadLibraryA && InterfaceTable::load();
    FakeIfTableSetRowsFn setRows = fakeIfTableSetRows(kScriptedTableFile);
    if (!loaded || !setRows) {
        missing(what);
        InterfaceTable::release();
        return;
    }
    FakeIfRow rows[2] = {fakeWideRow(1, 100, 200, "lo"), fakeWideRow(2, 300, 400, "eth0")};
    setRows(rows, 2);
    QueryFloor floor;
    if (!prepareFloor(GetModuleHandleA(kScriptedTableFile), floor)) {
        missing(what);
        InterfaceTable::release();
        return;
    }
    prepareWidget(400);
    TrafficSampler::resetHistory();
    Pair pair = measure(
        o.rounds, 200 * o.scale, [] { TrafficSampler::tick(); }, [&] { callFloor(floor, 1); });
    printRatio("tick, scripted table, 400-column graphs", "1 of each query, scripted", pair, 0);
    int columns = widgetSettings().graphs[0].width + widgetSettings().graphs[1].width;
    std::printf("%-44s %10.2f ns per column (%d columns, the queries taken out)\n",
                "  tick's own work", (pair.subject - pair.floor) * 1e9 / columns, columns);

    TrafficSampler::resetHistory();
    allocations.counting = true;
    const int ticks = 1000;
    for (int i = 0; i < ticks; ++i)
        TrafficSampler::tick();
    allocations.counting = false;
    std::printf("%-44s %10.3f (%ld in %d ticks; goal 0)\n", "heap allocations per tick",
                static_cast<double>(allocations.widget) / ticks, allocations.widget, ticks);
    if (allocations.widget != 0)
        failed = true;
    allocations.widget = allocations.shell = 0;
    InterfaceTable::release();
}

// A bitmap compatible with the screen, selected into a memory context of its own. The members go
// in reverse order: the selection is put back, then the bitmap deleted, then the context.
class MemoryPicture {
  public:
    MemoryPicture(int width, int height)
        : dc_(nullptr), bitmap_{screenBitmap(width, height)}, selected_(dc_.get(), bitmap_.handle) {
    }
    bool ok() const { return dc_.get() && bitmap_.handle; }
    HDC dc() const { return dc_.get(); }
    HBITMAP bitmap() const { return bitmap_.handle; }

  private:
    struct Bitmap {
        HBITMAP handle;
        ~Bitmap() { deleteObject(handle); }
    };
    static HBITMAP screenBitmap(int width, int height) {
        HDC screen = GetDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        return bitmap;
    }
    ScopedMemoryDC dc_;
    Bitmap bitmap_;
    ScopedSelect selected_;
};

void fullPicture(const Options& o, int columns, const char* what) {
    prepareWidget(columns);
    MemoryPicture widget(widgetSettings().width, widgetSettings().height);
    MemoryPicture floor(widgetSettings().width, widgetSettings().height);
    if (!widget.ok() || !floor.ok()) {
        missing(what);
        return;
    }
    TrafficReadings readings = sampleReadings();
    RawPicture raw = preparedFloor(readings);
    Pair pair = measure(
        o.rounds, 5 * o.scale,
        [&] { paintPicture(widget.dc(), widgetSettings(), drawingResources(), readings); },
        [&] { drawFloor(floor.dc(), raw); });
    printRatio(what, "the same GDI calls", pair, 1.2);

    allocations.counting = true;
    const int paints = 100;
    for (int i = 0; i < paints; ++i)
        paintPicture(widget.dc(), widgetSettings(), drawingResources(), readings);
    allocations.counting = false;
    std::printf("%-44s %10.3f (%ld in %d pictures; goal 0); the shell's functions: %ld\n",
                "  heap allocations per picture", static_cast<double>(allocations.widget) / paints,
                allocations.widget, paints, allocations.shell);
    if (allocations.widget != 0)
        failed = true;
    allocations.widget = allocations.shell = 0;
}

// ---- the cached repaint ---------------------------------------------------------------------

enum class Painter { Widget, Floor };

struct RepaintState {
    Painter painter;
    const MemoryPicture* kept; // the floor's picture: one BitBlt of it per paint
};
RepaintState repaint;

LRESULT CALLBACK benchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT)
        return DefWindowProcA(window, message, wParam, lParam);
    if (repaint.painter == Painter::Widget) {
        onPaint(window);
        return 0;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const RECT& a = paint.rcPaint;
    BitBlt(dc, a.left, a.top, a.right - a.left, a.bottom - a.top, repaint.kept->dc(), a.left, a.top,
           SRCCOPY);
    EndPaint(window, &paint);
    return 0;
}

void measureCachedRepaint(const Options& o, HWND window, const char* what) {
    auto repaintBy = [&](Painter painter) {
        return [&, painter] {
            repaint.painter = painter;
            InvalidateRect(window, nullptr, FALSE);
            UpdateWindow(window);
        };
    };
    auto widgetRepaint = repaintBy(Painter::Widget);
    Pair pair = measure(o.rounds, 10 * o.scale, widgetRepaint, repaintBy(Painter::Floor));
    printRatio(what, "BeginPaint, BitBlt, EndPaint", pair, 1.2);

    allocations.counting = true;
    const int paints = 100;
    for (int i = 0; i < paints; ++i)
        widgetRepaint();
    allocations.counting = false;
    std::printf("%-44s %10.3f (%ld in %d repaints; goal 0)\n",
                "  heap allocations per cached repaint",
                static_cast<double>(allocations.widget) / paints, allocations.widget, paints);
    if (allocations.widget != 0)
        failed = true;
    allocations.widget = allocations.shell = 0;
}

void cachedRepaint(const Options& o) {
    const char* what = "cached repaint, default settings";
    prepareWidget(0);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = benchWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VelnorBenchClass";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "VelnorBenchClass", "bench", WS_POPUP, 10, 10,
                                  widgetSettings().width, widgetSettings().height, nullptr, nullptr,
                                  windowClass.hInstance, nullptr);
    MemoryPicture kept(widgetSettings().width, widgetSettings().height);
    repaint.kept = &kept;
    if (window && kept.ok()) {
        ShowWindow(window, SW_SHOWNOACTIVATE);
        recordWidgetWindow(window);
        repaint.painter = Painter::Widget;
        invalidateWidget();
        UpdateWindow(window);
    }
    if (window && kept.ok() && cachedPicture())
        measureCachedRepaint(o, window, what);
    else
        missing(what);
    releaseCachedPicture();
    recordWidgetWindow(nullptr);
    if (window)
        DestroyWindow(window);
    UnregisterClassA("VelnorBenchClass", windowClass.hInstance);
    repaint.kept = nullptr;
}

void dllSize() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    char* slash = std::strrchr(path, '\\');
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (length == 0 || !slash) {
        missing("Velnor.dll size");
        return;
    }
    std::strcpy(slash + 1, "Velnor.dll");
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        missing("Velnor.dll size");
        return;
    }
    double kilobytes = data.nFileSizeLow / 1024.0;
    std::printf("%-44s %10lu bytes (%.1f KB; ratio to 150 KB %.3f; goal <= 1)\n",
                "Velnor.dll, 32-bit, stripped", static_cast<unsigned long>(data.nFileSizeLow),
                kilobytes, kilobytes / 150.0);
}

} // namespace

// The painter's call of the shell's gradient: what the shell allocates in it is the shell's.
extern "C" void __wrap_MakeStyleGradient(HDC dc, const RECT* rect, const void* style,
                                         bool bordered) {
    allocations.inShell = true;
    __real_MakeStyleGradient(dc, rect, style, bordered);
    allocations.inShell = false;
}

int main(int argc, char** argv) {
    Options options{31, 5};
    if (argc > 1 && std::strcmp(argv[1], "--quick") == 0)
        options = Options{3, 1};
    // A settings file that is not there: every key takes its default.
    usePaths("", "C:\\velnor-bench-has-no-settings\\Velnor.rc");
    installAllocationCounting();
    std::printf("Velnor benchmark: median of %d interleaved rounds, widget against floor\n",
                options.rounds);
    realTableTick(options);
    scriptedTableTick(options);
    fullPicture(options, 0, "full picture, default settings");
    fullPicture(options, 400, "full picture, 400-column graphs");
    cachedRepaint(options);
    dllSize();
    // The shell keeps a line per call; nothing here reads it.
    hostLogLines().clear();
    return failed ? 1 : 0;
}
