// The reload under Wine: what it builds, what it releases, and what ticks see while its icon
// error box runs a message loop.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "handles.h"
#include "host.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "style.h"
#include "traffic/sampler.h"
#include "win/gdi_count.h"
#include "win/message_boxes.h"
#include "win/win_files.h"

namespace {

std::size_t historyEntries(const Graph& graph) {
    return graph.history ? LocalSize(graph.history) / sizeof(std::int64_t) : 0;
}

COLORREF penColour(HPEN pen) {
    LOGPEN described{};
    GetObjectA(pen, sizeof described, &described);
    return described.lopnColor;
}

COLORREF brushColour(HBRUSH brush) {
    LOGBRUSH described{};
    GetObjectA(brush, sizeof described, &described);
    return described.lbColor;
}

// Every handle one reload put in place, so that the next one can be checked to release them.
std::vector<HGDIOBJ> installedObjects() {
    std::vector<HGDIOBJ> objects;
    for (const Graph& graph : widgetSettings().graphs) {
        objects.push_back(graph.pen);
        objects.push_back(graph.brush);
    }
    objects.push_back(drawingResources().styleFont);
    objects.push_back(drawingResources().sctBrush);
    return objects;
}

class Reload : public ::testing::Test {
  protected:
    void SetUp() override {
        installGdiCounting();
        hostResetStyle();
        baseline_ = liveObjects();
    }
    void TearDown() override {
        releaseResources();
        EXPECT_EQ(liveObjects(), baseline_) << "everything made is released at stop";
        hostResetStyle();
        hostLogLines().clear();
    }
    std::size_t baseline_ = 0;
};

TEST_F(Reload, BuildsFromTheSettings) {
    useSettingsFolder("build");
    writeFile(settingsPath(), "Velnor.receiveGraph.width: 80\r\nVelnor.sendGraph.width: 1\r\n"
                              "Velnor.receiveGraph.color: #FF0000\r\n"
                              "Velnor.sendGraph.background: #0000FF\r\n"
                              "Velnor.sctEnabled: true\r\nVelnor.sctColor: #00FF00\r\n");
    reload();
    const std::size_t widths[Channel::Count] = {80, 1};
    const COLORREF pens[Channel::Count] = {RGB(255, 0, 0), RGB(255, 255, 255)};
    const COLORREF brushes[Channel::Count] = {RGB(0, 0, 0), RGB(0, 0, 255)};
    for (int c = 0; c < Channel::Count; ++c) {
        SCOPED_TRACE(c);
        const Graph& graph = widgetSettings().graphs[c];
        ASSERT_EQ(historyEntries(graph), widths[c]);
        for (std::size_t j = 0; j < widths[c]; ++j)
            EXPECT_EQ(graph.history[j], 0);
        EXPECT_EQ(graph.maximum, 0);
        EXPECT_EQ(GetObjectType(graph.pen), static_cast<DWORD>(OBJ_PEN));
        EXPECT_EQ(penColour(graph.pen), pens[c]);
        EXPECT_EQ(brushColour(graph.brush), brushes[c]);
    }
    EXPECT_EQ(std::memcmp(drawingResources().styleCopy, &hostStyle(), kStyleRecordSize), 0);
    EXPECT_EQ(GetObjectType(drawingResources().styleFont), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(brushColour(drawingResources().sctBrush), RGB(0, 255, 0));
}

TEST_F(Reload, MendsWidthAndTimer) {
    useSettingsFolder("mend");
    // Wider than any picture: no history, which 64 bits would otherwise give (and scroll).
    const struct {
        int width, timer, mended;
        std::size_t entries;
        int period;
    } rows[] = {{0, 0, 1, 1, 1000},
                {-7, -250, 1, 1, 1000},
                {1, 1, 1, 1, 1},
                {3, 250, 3, 3, 250},
                {134217727, 250, 134217727, kHistoryMax, 250}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.width);
        writeFile(settingsPath(), "Velnor.sendGraph.width: " + std::to_string(row.width) +
                                      "\r\nVelnor.timer: " + std::to_string(row.timer) + "\r\n");
        reload();
        const Graph& graph = widgetSettings().graphs[Channel::Send];
        EXPECT_EQ(graph.width, row.mended);
        EXPECT_EQ(historyEntries(graph), row.entries);
        EXPECT_EQ(widgetSettings().timer, row.period);
    }
}

// A file another program holds without sharing reads as every default: the installed settings
// stay until it can be read, while a missing file still gives the defaults.
TEST_F(Reload, HeldFileKeepsTheInstalledSettings) {
    useSettingsFolder("held");
    writeFile(settingsPath(), "Velnor.width: 321\r\nVelnor.receiveGraph.width: 80\r\n");
    reload();
    HANDLE held = CreateFileA(settingsPath(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const std::size_t live = liveObjects();
    reload();
    CloseHandle(held);
    EXPECT_EQ(widgetSettings().width, 321);
    EXPECT_EQ(historyEntries(widgetSettings().graphs[Channel::Receive]), 80u);
    EXPECT_EQ(liveObjects(), live);
    DeleteFileA(settingsPath());
    reload();
    EXPECT_EQ(widgetSettings().width, 100);
    EXPECT_EQ(historyEntries(widgetSettings().graphs[Channel::Receive]), 50u);
}

TEST_F(Reload, TransparentColourBrushOnlyWhileTheModeIsOn) {
    useSettingsFolder("sct");
    const struct {
        bool enabled;
        long objectsMade; // two pens, two brushes, the font, and the mode's brush when on
    } rows[] = {{false, 5}, {true, 6}, {true, 6}, {false, 5}};
    HBRUSH previous = nullptr;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.enabled);
        writeFile(settingsPath(),
                  std::string("Velnor.sctEnabled: ") + (row.enabled ? "true" : "false") + "\r\n");
        long before = gdicount::state().made;
        reload();
        EXPECT_EQ(gdicount::state().made - before, row.objectsMade);
        if (row.enabled) {
            EXPECT_NE(drawingResources().sctBrush, previous);
            if (previous) {
                EXPECT_EQ(GetObjectType(previous), 0u) << "the replaced brush is released";
            }
        } else {
            EXPECT_EQ(drawingResources().sctBrush, previous) << "kept while the mode is off";
        }
        previous = drawingResources().sctBrush;
    }
}

TEST_F(Reload, NewStyleGivesNewCopyAndFont) {
    useSettingsFolder("style");
    reload();
    HFONT first = drawingResources().styleFont;
    hostStyle().gradientTop = RGB(9, 8, 7);
    hostStyle().fontHeight = 23;
    reload();
    COLORREF top;
    std::memcpy(&top, drawingResources().styleCopy, sizeof top);
    EXPECT_EQ(top, RGB(9, 8, 7));
    LOGFONTA font{};
    GetObjectA(drawingResources().styleFont, sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -23);
    EXPECT_EQ(GetObjectType(first), 0u);
}

TEST_F(Reload, FramePenIsMadeOnce) {
    long before = gdicount::state().made;
    makeFramePen();
    HPEN pen = drawingResources().framePen;
    makeFramePen();
    EXPECT_EQ(drawingResources().framePen, pen);
    EXPECT_EQ(gdicount::state().made - before, 1);
    EXPECT_EQ(penColour(pen), RGB(0, 0, 0));
    releaseResources();
    EXPECT_EQ(GetObjectType(pen), 0u);
    EXPECT_EQ(drawingResources().framePen, nullptr);
}

TEST_F(Reload, ReleaseResourcesReturnsToTheLoadedState) {
    std::string folder = useSettingsFolder("release");
    writeFile(folder + "a.ico", iconFileBytes());
    writeFile(settingsPath(), "Velnor.sctEnabled: true\r\nVelnor.bothLabel.icon: a.ico\r\n");
    makeFramePen();
    reload();
    TrafficSampler::tick();
    std::vector<HGDIOBJ> objects = installedObjects();
    objects.push_back(drawingResources().framePen);
    releaseResources();
    for (HGDIOBJ object : objects)
        EXPECT_EQ(GetObjectType(object), 0u);
    EXPECT_EQ(liveObjects(), baseline_);
    for (const Graph& graph : widgetSettings().graphs)
        EXPECT_EQ(graph.history, nullptr);
    EXPECT_EQ(widgetSettings().labels[LabelKind::Both].icon, nullptr);
    releaseResources(); // a second stop finds nothing to release
    EXPECT_EQ(liveObjects(), baseline_);
}

// Ticks from a thread timer, which keeps firing inside the boxes' modal loops. Each checks, before
// the sampler writes, that every history has exactly its graph's width.
struct Ticker {
    static Ticker* current;
    UINT_PTR timer;
    int ticks = 0, mismatches = 0;
    std::vector<int> receiveWidths;

    Ticker() {
        current = this;
        timer = SetTimer(nullptr, 0, 10, onTick);
    }
    ~Ticker() {
        KillTimer(nullptr, timer);
        current = nullptr;
    }
    Ticker(const Ticker&) = delete;
    Ticker& operator=(const Ticker&) = delete;

    static void CALLBACK onTick(HWND, UINT, UINT_PTR, DWORD) {
        Ticker& t = *current;
        for (const Graph& graph : widgetSettings().graphs)
            if (historyEntries(graph) != static_cast<std::size_t>(graph.width))
                ++t.mismatches;
        t.receiveWidths.push_back(widgetSettings().graphs[Channel::Receive].width);
        TrafficSampler::tick();
        ++t.ticks;
    }
};
Ticker* Ticker::current = nullptr;

TEST_F(Reload, TicksInsideTheIconBoxSeeMatchingHistories) {
    useSettingsFolder("nested");
    HostWindow owner;
    reload();
    ASSERT_EQ(widgetSettings().graphs[Channel::Receive].width, 50);
    writeFile(settingsPath(),
              "Velnor.receiveGraph.width: 80\r\nVelnor.sendLabel.icon: missing.ico\r\n");
    Ticker ticker;
    int ticksAtOpen = -1;
    BoxWatcher boxes([&](std::size_t) {
        if (ticksAtOpen < 0)
            ticksAtOpen = ticker.ticks;
        return ticker.ticks - ticksAtOpen >= 10;
    });
    reload();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_GE(ticker.ticks - ticksAtOpen, 10) << "ticks ran while the box was open";
    EXPECT_EQ(ticker.mismatches, 0);
    for (int width : ticker.receiveWidths)
        EXPECT_EQ(width, 50) << "the new width is not in place until the reload ends";
    EXPECT_EQ(widgetSettings().graphs[Channel::Receive].width, 80);
    EXPECT_EQ(historyEntries(widgetSettings().graphs[Channel::Receive]), 80u);
}

// The shell may stop the plug-in while an icon box is open: the reload then installs nothing and
// keeps none of what it loaded before the box.
TEST_F(Reload, StopInsideTheIconBoxLeavesNothingBehind) {
    std::string folder = useSettingsFolder("stopped");
    HostWindow owner;
    writeFile(folder + "a.ico", iconFileBytes());
    writeFile(settingsPath(),
              "Velnor.receiveLabel.icon: a.ico\r\nVelnor.sendLabel.icon: missing.ico\r\n");
    bool stopped = false;
    BoxWatcher boxes([&](std::size_t) {
        if (!stopped) {
            releaseResources();
            stopped = true;
        }
        return true;
    });
    reload();
    ASSERT_TRUE(stopped);
    EXPECT_EQ(liveObjects(), baseline_) << "the icon loaded before the box is released too";
    EXPECT_EQ(widgetSettings().graphs[Channel::Receive].history, nullptr);
    EXPECT_EQ(widgetSettings().labels[LabelKind::Receive].icon, nullptr);
    EXPECT_EQ(drawingResources().styleFont, nullptr);
}

// A reload started inside another's box (the shell's reconfigure message, say) finishes first;
// the outer one then puts its own values in place and releases what the inner one installed.
TEST_F(Reload, ReloadInsideTheIconBox) {
    std::string folder = useSettingsFolder("reentry");
    HostWindow owner;
    reload();
    const std::size_t live = liveObjects();
    writeFile(settingsPath(),
              "Velnor.receiveGraph.width: 80\r\nVelnor.sendLabel.icon: missing.ico\r\n");
    Ticker ticker;
    std::vector<HGDIOBJ> innerObjects;
    bool innerRunning = false, innerDone = false;
    int ticksAtOpen[2] = {-1, -1};
    BoxWatcher boxes([&](std::size_t index) {
        if (index > 1)
            return true;
        if (ticksAtOpen[index] < 0)
            ticksAtOpen[index] = ticker.ticks;
        if (index == 0 && !innerDone) {
            if (innerRunning)
                return false;
            innerRunning = true;
            writeFile(settingsPath(),
                      "Velnor.receiveGraph.width: 30\r\nVelnor.costLabel.icon: gone.ico\r\n");
            reload();
            innerObjects = installedObjects();
            EXPECT_EQ(widgetSettings().graphs[Channel::Receive].width, 30);
            innerRunning = false;
            innerDone = true;
            return false;
        }
        return ticker.ticks - ticksAtOpen[index] >= 10;
    });
    reload();
    ASSERT_TRUE(innerDone);
    // The outer reload reads its remaining keys from the file as the inner one left it.
    ASSERT_EQ(boxes.seen().size(), 3u);
    EXPECT_EQ(boxes.seen()[0].text, folder + "missing.ico");
    EXPECT_EQ(boxes.seen()[1].text, folder + "gone.ico");
    EXPECT_EQ(boxes.seen()[2].text, folder + "gone.ico");
    EXPECT_EQ(ticker.mismatches, 0);
    bool sawInner = false;
    for (int width : ticker.receiveWidths)
        sawInner |= width == 30;
    EXPECT_TRUE(sawInner) << "ticks ran between the two reloads' ends";
    EXPECT_EQ(widgetSettings().graphs[Channel::Receive].width, 80);
    EXPECT_EQ(historyEntries(widgetSettings().graphs[Channel::Receive]), 80u);
    for (HGDIOBJ object : innerObjects)
        EXPECT_EQ(GetObjectType(object), 0u) << "what the inner reload installed is released";
    EXPECT_EQ(liveObjects(), live);
}

} // namespace
