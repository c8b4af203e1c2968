// Long runs of a running widget window in one process under Wine: thousands of reloads with
// ticks and paints between them, and the interface table changing under the widget.
//
// Resources are counted two ways. GDI objects and icons: the creations and releases that the code
// linked in here makes through this executable's import table (win/gdi_count.h, the painter's
// bitmaps and memory contexts included), since GetGuiResources is a stub under Wine.
// Heap: the busy bytes and blocks of every heap of the process, walked with HeapWalk, so that
// whatever the widget holds, directly or through the platform, is seen.
//
// The shell's four reading functions are served here from the settings files' bytes read once
// (the linker's --wrap, the shell's own syntax functions): the shell opens the file for every key,
// which under Wine costs some 20 ms a reload and would make 10,000 reloads take minutes. What the
// widget does with the answers is unchanged; the shell's reading has tests of its own.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/fake_iphlpapi_client.h"
#include "handles.h"
#include "plugin/commands.h"
#include "host.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "settings_syntax.h"
#include "style.h"
#include "traffic/interface_table.h"
#include "traffic/sampler.h"
#include "widget/painter.h"
#include "widget/window.h"
#include "win/gdi_count.h"
#include "win/messages.h"
#include "win/message_boxes.h"
#include "win/tooltip_windows.h"
#include "win/win_files.h"

// ---- the shell's settings reading, from memory ----

namespace {

struct CachedFile {
    std::string path, bytes;
    bool exists;
};
std::vector<CachedFile> cachedFiles;
std::string stringAnswer;

// The value bytes of `key` in the file at `path`; false when the file or key is not there.
bool cachedValue(const char* path, const char* key, std::string& value) {
    if (!path || !key)
        return false;
    const CachedFile* file = nullptr;
    for (const CachedFile& cached : cachedFiles)
        if (cached.path == path)
            file = &cached;
    if (!file) {
        std::string bytes = readFile(path);
        bool exists = bytes != "<missing>";
        cachedFiles.push_back({path, exists ? bytes : std::string(), exists});
        file = &cachedFiles.back();
    }
    SettingValue found;
    if (!file->exists || !findSetting(file->bytes.data(), file->bytes.size(), key, found))
        return false;
    value.assign(file->bytes, found.begin, found.end - found.begin);
    return true;
}

} // namespace

extern "C" int __wrap_ReadInt(const char* path, const char* key, int defaultValue) {
    std::string text;
    std::int32_t value;
    return cachedValue(path, key, text) && parseSettingInt(text.data(), text.size(), value)
               ? value
               : defaultValue;
}

extern "C" bool __wrap_ReadBool(const char* path, const char* key, bool defaultValue) {
    std::string text;
    bool value;
    return cachedValue(path, key, text) && parseSettingBool(text.data(), text.size(), value)
               ? value
               : defaultValue;
}

extern "C" COLORREF __wrap_ReadColor(const char* path, const char* key, const char* defaultColor) {
    std::string text;
    std::uint32_t value = 0;
    if (cachedValue(path, key, text) && parseSettingColor(text.data(), text.size(), value))
        return value;
    value = 0;
    if (defaultColor)
        parseSettingColor(defaultColor, std::strlen(defaultColor), value);
    return value;
}

extern "C" const char* __wrap_ReadString(const char* path, const char* key,
                                         const char* defaultText) {
    // Kept in place like the shell's answer, valid until the next call.
    std::string text;
    if (!cachedValue(path, key, text))
        return defaultText;
    stringAnswer.assign(text);
    return stringAnswer.c_str();
}

namespace {

// False when a function the widget creates or releases with is not counted.
bool installCounting() {
    const gdicount::State& c = installGdiCounting();
    return c.createPen && c.createSolidBrush && c.createFontIndirectA && c.deleteObject &&
           c.loadImageA && c.destroyIcon && c.createCompatibleBitmap && c.createCompatibleDC &&
           c.deleteDC;
}

// ---- the process's heaps ----

struct HeapUse {
    long long bytes = 0;
    long long blocks = 0;
};

HeapUse heapUse() {
    HeapUse use;
    HANDLE heaps[256];
    DWORD count = GetProcessHeaps(256, heaps);
    for (DWORD i = 0; i < count && i < 256; ++i) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                use.bytes += entry.cbData;
                ++use.blocks;
            }
        }
        HeapUnlock(heaps[i]);
    }
    return use;
}

// The shell keeps a line per call; dropped with its storage so that it does not count as ours.
void dropHostLog() {
    std::vector<std::string>().swap(hostLogLines());
}

// ---- the scripted interface table ----

// ---- a running widget: frame pen, table, first reload, window ----

class RunningWidget : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(installCounting());
        hostResetStyle();
        baseline_ = liveObjects();
        folder_ = useSettingsFolder(folderName());
        recordStart(GetModuleHandleA(nullptr), nullptr, nullptr, layeredAttributes());
        ASSERT_TRUE(InterfaceTable::load()) << "the scripted Iphlpapi.dll beside the test";
        setRows_ = fakeIfTableSetRows();
        ASSERT_NE(setRows_, nullptr);
    }
    void TearDown() override {
        destroyWidgetWindow();
        releaseResources();
        InterfaceTable::release();
        clearHandles();
        EXPECT_EQ(liveObjects(), baseline_) << "everything made is released at stop";
        EXPECT_TRUE(threadTooltips().empty()) << "the tooltip goes with the window";
        EXPECT_TRUE(boxCalls().empty());
        boxCalls().clear();
        hostFreeMenus();
        dropHostLog();
    }
    virtual const char* folderName() const = 0;

    void start() {
        makeFramePen();
        reload();
        ASSERT_TRUE(createWidgetWindow(WidgetCommands{nullptr, nullptr}));
        ShowWindow(moduleHandles().widget, SW_SHOWNOACTIVATE);
    }
    // One timer period's work as the timer callback does it, then the paint it causes.
    void tickAndPaint() {
        TrafficSampler::tick();
        invalidateWidget();
        UpdateWindow(moduleHandles().widget);
    }

    std::size_t baseline_ = 0;
    std::string folder_;
    FakeIfTableSetRowsFn setRows_ = nullptr;
};

// Every object one reload put in place that the next must replace and release (the
// transparent-colour brush is kept while the mode is off, so it is checked apart).
struct Installed {
    std::vector<HGDIOBJ> objects;
    std::vector<HICON> icons;
};

Installed installed() {
    Installed now;
    for (const Graph& graph : widgetSettings().graphs) {
        now.objects.push_back(graph.pen);
        now.objects.push_back(graph.brush);
    }
    now.objects.push_back(drawingResources().styleFont);
    for (const Label& label : widgetSettings().labels)
        if (label.icon)
            now.icons.push_back(label.icon);
    return now;
}

class Soak : public RunningWidget {
  protected:
    const char* folderName() const override { return "soak"; }
};

// 10,000 reloads with ten ticks after each: 100,000 ticks. Every tenth reload comes as the
// shell's reconfigure message (reload, then apply window settings) and loads two icons; every
// fifth is followed by a paint, so 2,000 pictures are made and released. The files alternate so
// that the graphs' widths and colours and the transparent-colour mode change at every reload.
// Under Wine the window calls of apply window settings and the icon loads take most of the time.
TEST_F(Soak, ReloadsTicksAndPaintsHoldNoMoreThanAtTheStart) {
    writeFile(folder_ + "a.ico", iconFileBytes());
    const std::string plain = folder_ + "Velnor.rc", wide = folder_ + "wide.rc",
                      icons = folder_ + "icons.rc";
    writeFile(plain, "Velnor.receiveGraph.width: 50\r\n");
    writeFile(wide, "Velnor.width: 300\r\nVelnor.receiveGraph.width: 290\r\n"
                    "Velnor.sendGraph.width: 1\r\nVelnor.sendGraph.color: #FF0000\r\n"
                    "Velnor.sctEnabled: true\r\nVelnor.sctColor: #00FF00\r\n");
    writeFile(icons, "Velnor.sctEnabled: true\r\nVelnor.receiveLabel.icon: a.ico\r\n"
                     "Velnor.costLabel.icon: a.ico\r\nVelnor.timer: 500\r\n");
    FakeIfRow rows[2] = {fakeIfRow(1000, 2000, "lo"), fakeIfRow(5000, 9000, "eth0")};
    setRows_(rows, 2);
    start();
    HWND window = moduleHandles().widget;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(liveObjects(), baseline_ + 1 + 4 + 1) << "frame pen, graphs' pens and brushes, font";

    const int kReloads = 10000, kTicks = 10, kWarmUp = 500;
    HeapUse warm{};
    std::size_t liveWarm = 0;
    long stillValid = 0, sctKept = 0, iconsKept = 0, iconsLoaded = 0, picturesMissing = 0,
         wrongHistories = 0;
    const long bitmapsBefore = gdicount::state().bitmaps;
    for (int r = 1; r <= kReloads; ++r) {
        Installed before = installed();
        HBRUSH sctBefore = drawingResources().sctBrush;
        if (r % 10 == 0) {
            usePaths(folder_.c_str(), icons.c_str());
            SendMessageA(window, HOST_MSG_RECONFIGURE, 0, 0);
            iconsLoaded += widgetSettings().labels[LabelKind::Cost].icon != nullptr;
        } else {
            usePaths(folder_.c_str(), (r % 2 ? wide : plain).c_str());
            reload();
        }
        for (HGDIOBJ object : before.objects)
            stillValid += GetObjectType(object) != 0;
        // With the mode off the brush is kept for later; a new one replaces it.
        if (sctBefore && drawingResources().sctBrush != sctBefore)
            sctKept += GetObjectType(sctBefore) != 0;
        for (HICON icon : before.icons)
            iconsKept += static_cast<long>(gdicount::state().live.count(icon));
        for (int t = 0; t < kTicks; ++t) {
            rows[0].inOctets += 1500u + static_cast<std::uint32_t>(t);
            rows[0].outOctets += 300u;
            setRows_(rows, 2);
            TrafficSampler::tick();
            invalidateWidget();
        }
        for (const Graph& graph : widgetSettings().graphs)
            wrongHistories +=
                !graph.history || LocalSize(graph.history) != static_cast<SIZE_T>(graph.width) * 8u;
        if (r % 5 == 0) {
            UpdateWindow(window);
            picturesMissing += cachedPicture() == nullptr;
        }
        if (r % 100 == 0)
            dropHostLog();
        if (r == kWarmUp) {
            warm = heapUse();
            liveWarm = liveObjects();
        }
    }
    dropHostLog();
    const HeapUse end = heapUse();
    EXPECT_EQ(stillValid, 0) << "pens, brushes and fonts a reload replaced are deleted";
    EXPECT_EQ(sctKept, 0) << "a replaced transparent-colour brush is deleted";
    EXPECT_EQ(iconsKept, 0) << "icons a reload replaced are destroyed";
    EXPECT_EQ(iconsLoaded, kReloads / 10);
    EXPECT_EQ(wrongHistories, 0) << "each history as long as its graph is wide";
    EXPECT_EQ(picturesMissing, 0) << "every paint made its picture";
    EXPECT_EQ(gdicount::state().bitmaps - bitmapsBefore, kReloads / 5) << "one picture per paint";
    EXPECT_EQ(liveObjects(), liveWarm) << "GDI objects and icons held after the warm-up";
    EXPECT_EQ(threadTooltips().size(), 1u) << "reloads make no tooltip of their own";
    EXPECT_EQ(GetObjectType(drawingResources().framePen), static_cast<DWORD>(OBJ_PEN))
        << "the frame pen outlives every reload";
    // Leaking one block per reload would show as 9,500 blocks here.
    EXPECT_LE(end.blocks - warm.blocks, 200) << "heap blocks held after the warm-up";
    EXPECT_LE(end.bytes - warm.bytes, 64 * 1024) << "heap bytes held after the warm-up";
    std::printf("heap after %d reloads: %lld bytes in %lld blocks; after %d: %lld in %lld\n",
                kWarmUp, warm.bytes, warm.blocks, kReloads, end.bytes, end.blocks);
}

class ChangingTable : public RunningWidget {
  protected:
    const char* folderName() const override { return "changing_table"; }
};

struct AdapterItem {
    std::string text, command;
    bool checked;
};

// The numbered items of the adapter submenu the widget shows now, as the shell recorded it (the
// Automatic and All interfaces items after them are not the table's).
std::vector<AdapterItem> adapterMenu() {
    std::vector<AdapterItem> items;
    hostSetMenuMode(HostMenuMode::Record);
    showContextMenu();
    const Menu* menu = hostLastMenu();
    if (!menu)
        return items;
    for (const auto& item : menu->items) {
        if (item->kind != MenuItem::Kind::Submenu || !item->submenu ||
            item->submenu->id != "Velnor_IDAdapter")
            continue;
        for (const auto& entry : item->submenu->items)
            if (entry->command.rfind("@Velnor.adapter.", 0) == 0)
                items.push_back({entry->text, entry->command, entry->checked});
    }
    return items;
}

// The table as a test sets it: rows of increasing counters, descriptions by name.
struct TableStep {
    const char* what;
    std::vector<const char*> descriptions;
    bool selectedPresent; // the row at the selected position, 2
};

// Rows appear, vanish and change their descriptions while the widget ticks and paints: nothing
// faults, the table answers what the rows now say, and a missing selected row reads as zeros.
TEST_F(ChangingTable, WidgetFollowsRowsAddedRemovedAndRenamed) {
    writeFile(settingsPath(), "Velnor.adapter: 2\r\n");
    const std::vector<const char*> many(40, "veth");
    const TableStep steps[] = {
        {"three rows", {"lo", "eth0", "wlan0"}, true},
        {"two rows added", {"lo", "eth0", "wlan0", "tun0", "br0"}, true},
        {"descriptions changed", {"loopback", "Ethernet 1", "Wireless 2", "tun0", "br0"}, true},
        {"the selected row removed", {"loopback", "Ethernet 1"}, false},
        {"no rows at all", {}, false},
        {"more rows than the first buffer held", many, true},
        {"back to three", {"lo", "eth0", "wlan0"}, true},
    };
    FakeIfTableStatsFn stats = fakeIfTableStats();
    ASSERT_NE(stats, nullptr);
    FakeIfRow first[3] = {fakeIfRow(1, 1, "lo"), fakeIfRow(2, 2, "eth0"), fakeIfRow(3, 3, "wlan0")};
    setRows_(first, 3);
    start();
    ASSERT_EQ(widgetSettings().adapter, 2);
    std::uint32_t base = 100000;
    for (const TableStep& step : steps) {
        SCOPED_TRACE(step.what);
        std::vector<FakeIfRow> rows;
        for (std::size_t i = 0; i < step.descriptions.size(); ++i)
            rows.push_back(fakeIfRow(base + 1000u * static_cast<std::uint32_t>(i), base / 2u,
                                     step.descriptions[i]));
        for (int t = 0; t < 3; ++t) {
            base += 3000;
            for (FakeIfRow& r : rows) {
                r.inOctets += 3000;
                r.outOctets += 1000;
            }
            setRows_(rows.data(), static_cast<int>(rows.size()));
            tickAndPaint();
        }
        const TrafficReadings& readings = TrafficSampler::readings();
        EXPECT_NE(cachedPicture(), nullptr) << "the widget still paints";
        ASSERT_EQ(InterfaceTable::count(), static_cast<int>(rows.size()));
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_STREQ(InterfaceTable::description(static_cast<int>(i)), step.descriptions[i]);
        if (step.selectedPresent) {
            EXPECT_EQ(readings.totals[Channel::Receive], rows[2].inOctets);
            EXPECT_EQ(readings.totals[Channel::Send], rows[2].outOctets);
        } else {
            for (int channel = 0; channel < Channel::Count; ++channel) {
                EXPECT_EQ(readings.totals[channel], 0);
                EXPECT_EQ(readings.rates[channel], 0);
                const Graph& graph = widgetSettings().graphs[channel];
                EXPECT_EQ(graph.history[graph.width - 1], 0);
            }
            EXPECT_EQ(readings.cost, 0.0);
        }
        // The menu lists the rows as they are now, the selected one checked while it exists.
        std::vector<AdapterItem> items = adapterMenu();
        ASSERT_EQ(items.size(), rows.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].text, step.descriptions[i]);
            EXPECT_EQ(items[i].command, "@Velnor.adapter." + std::to_string(i));
            EXPECT_EQ(items[i].checked, i == 2);
        }
        FakeIfStats seen{};
        stats(&seen);
        EXPECT_EQ(seen.oversized, 0u) << "the size handed to the query fits the buffer";
    }
}

} // namespace
