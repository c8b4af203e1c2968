// How fast the widget is against the floor the platform sets: each figure is the widget's own
// path next to the platform calls it cannot avoid, measured in the same run, interleaved, and
// printed as a ratio. Nothing here is a pass or fail on time; the exit code is 1 only when a
// figure could not be measured or the widget allocated heap memory in steady state.
//
// Usage: bench [--quick]   (--quick: a few rounds only, for the smoke test)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform.h"

#include "bench_alloc.h"
#include "bench_floor.h"
#include "bench_timing.h"
#include "bench_usage.h"
#include "support/fake_iphlpapi_client.h"
#include "gdi.h"
#include "handles.h"
#include "host.h"
#include "shell.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "traffic/interface_table.h"
#include "traffic/sampler.h"
#include "widget/painter.h"
#include "support/import_hook.h"

namespace {

// ---- the scripted table ---------------------------------------------------------------------

// The scripted Iphlpapi.dll, copied beside this program under a name of its own: under its real
// name Wine would hand out its built-in library instead, which the real-table figures need.
constexpr const char* kScriptedTableFile = "bench_iftable.dll";
// A settings file that is not there: every key takes its default.
constexpr const char* kNoSettingsFile = "C:\\velnor-bench-has-no-settings\\Velnor.rc";

struct ScriptedTable {
    char path[MAX_PATH];
    decltype(&LoadLibraryA) loadLibraryA;
};
ScriptedTable scripted;

HMODULE WINAPI redirectedLoadLibraryA(LPCSTR name) {
    if (name && lstrcmpiA(name, "Iphlpapi.dll") == 0)
        return scripted.loadLibraryA(scripted.path);
    return scripted.loadLibraryA(name);
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

// The scripted table in place of the platform's, with two interfaces, and its floor.
bool loadScriptedTable(QueryFloor& floor) {
    DWORD length = GetModuleFileNameA(nullptr, scripted.path, MAX_PATH);
    char* slash = std::strrchr(scripted.path, '\\');
    if (length == 0 || !slash)
        return false;
    std::strcpy(slash + 1, kScriptedTableFile);
    hookImport(scripted.loadLibraryA, "kernel32.dll", "LoadLibraryA", &redirectedLoadLibraryA);
    bool loaded = scripted.loadLibraryA && InterfaceTable::load();
    FakeIfTableSetRowsFn setRows = fakeIfTableSetRows(kScriptedTableFile);
    if (!loaded || !setRows)
        return false;
    FakeIfRow rows[2] = {fakeWideRow(1, 100, 200, "lo"), fakeWideRow(2, 300, 400, "eth0")};
    setRows(rows, 2);
    return prepareFloor(GetModuleHandleA(kScriptedTableFile), floor);
}

void scriptedTableTick(const Options& o, QueryFloor& floor) {
    prepareWidget(400);
    TrafficSampler::resetHistory();
    Pair pair = measure(
        o.rounds, 200 * o.scale, [] { TrafficSampler::tick(); }, [&] { callFloor(floor, 1); });
    printRatio("tick, scripted table, 400-column graphs", "1 of each query, scripted", pair, 0);
    int columns = widgetSettings().graphs[0].width + widgetSettings().graphs[1].width;
    std::printf("%-44s %10.2f ns per column (%d columns, the queries taken out)\n",
                "  tick's own work", (pair.subject - pair.floor) * 1e9 / columns, columns);

    TrafficSampler::resetHistory();
    startCountingAllocations();
    const int ticks = 1000;
    for (int i = 0; i < ticks; ++i)
        TrafficSampler::tick();
    const AllocationTally tally = stopCountingAllocations();
    std::printf("%-44s %10.3f (%ld in %d ticks; goal 0)\n", "heap allocations per tick",
                static_cast<double>(tally.widget) / ticks, tally.widget, ticks);
    if (tally.widget != 0)
        failed = true;
}

constexpr const char* kWidestTick = "tick, scripted, both graphs 134217727 wide";

// Both graphs as wide as the settings take, read from a file by the reload, so that the tick runs
// on whatever history the reload keeps for them. Few rounds: each tick may scroll gigabytes.
void widestGraphsTick(const Options& o, QueryFloor& floor) {
    char folder[MAX_PATH], path[MAX_PATH + 32];
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    std::snprintf(path, sizeof path, "%svelnor-bench-widest.rc", folder);
    std::FILE* file = length > 0 && length < MAX_PATH ? std::fopen(path, "wb") : nullptr;
    if (!file) {
        missing(kWidestTick);
        return;
    }
    std::fputs("Velnor.receiveGraph.width: 134217727\nVelnor.sendGraph.width: 134217727\n"
               "Velnor.timer: 777\n",
               file);
    std::fclose(file);
    usePaths(folder, path);
    makeFramePen();
    reload();
    DeleteFileA(path);
    usePaths("", kNoSettingsFile);
    // The timer's value shows that the reload read the file.
    if (widgetSettings().timer != 777) {
        missing(kWidestTick);
        reload();
        return;
    }
    TrafficSampler::resetHistory();
    const int rounds = std::max(1, o.rounds / 10);
    Pair pair = measure(
        rounds, 1, [] { TrafficSampler::tick(); }, [&] { callFloor(floor, 1); });
    printRatio(kWidestTick, "1 of each query, scripted", pair, 0);
    std::printf("%-44s %10d (of one tick each)\n", "  rounds", rounds);
    // Back to the defaults, letting go of whatever the wide graphs held.
    reload();
}

void scriptedTableTicks(const Options& o) {
    QueryFloor floor;
    if (loadScriptedTable(floor)) {
        scriptedTableTick(o, floor);
        widestGraphsTick(o, floor);
        failed = !usageFigures(kScriptedTableFile, o.rounds, o.scale) || failed;
    } else {
        missing("tick, scripted table, 400 columns");
        missing(kWidestTick);
        missing("usage ledger figures");
    }
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
    const LabelFigures figures = labelFigures(widgetSettings(), readings);
    Pair pair = measure(
        o.rounds, 5 * o.scale,
        [&] { paintPicture(widget.dc(), widgetSettings(), drawingResources(), readings, figures); },
        [&] { drawFloor(floor.dc(), raw); });
    printRatio(what, "the same GDI calls", pair, 1.2);

    startCountingAllocations();
    const int paints = 100;
    for (int i = 0; i < paints; ++i)
        paintPicture(widget.dc(), widgetSettings(), drawingResources(), readings, figures);
    const AllocationTally tally = stopCountingAllocations();
    std::printf("%-44s %10.3f (%ld in %d pictures; goal 0); the shell's functions: %ld\n",
                "  heap allocations per picture", static_cast<double>(tally.widget) / paints,
                tally.widget, paints, tally.shell);
    if (tally.widget != 0)
        failed = true;
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

    startCountingAllocations();
    const int paints = 100;
    for (int i = 0; i < paints; ++i)
        widgetRepaint();
    const AllocationTally tally = stopCountingAllocations();
    std::printf("%-44s %10.3f (%ld in %d repaints; goal 0)\n",
                "  heap allocations per cached repaint", static_cast<double>(tally.widget) / paints,
                tally.widget, paints);
    if (tally.widget != 0)
        failed = true;
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
                sizeof(void*) == 4 ? "Velnor.dll, 32-bit, stripped"
                                   : "Velnor.dll, 64-bit, stripped",
                static_cast<unsigned long>(data.nFileSizeLow), kilobytes, kilobytes / 150.0);
}

} // namespace

int main(int argc, char** argv) {
    Options options{31, 5};
    if (argc > 1 && std::strcmp(argv[1], "--quick") == 0)
        options = Options{3, 1};
    usePaths("", kNoSettingsFile);
    installAllocationCounting();
    std::printf("Velnor benchmark: median of %d interleaved rounds, widget against floor\n",
                options.rounds);
    realTableTick(options);
    scriptedTableTicks(options);
    fullPicture(options, 0, "full picture, default settings");
    fullPicture(options, 400, "full picture, 400-column graphs");
    cachedRepaint(options);
    dllSize();
    // The shell keeps a line per call; nothing here reads it.
    hostLogLines().clear();
    return failed ? 1 : 0;
}
