// The start and stop entries in this process: docking, the start failures, the timer and the
// return to the loaded state after a stop or a failed start.
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "handles.h"
#include "shell.h"
#include "host.h"
#include "plugin_rig.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "support/import_hook.h"
#include "win/refused_calls.h"
#include "traffic/sampler.h"
#include "widget/painter.h"

extern "C" const char* pluginInfo(int field);
extern "C" int beginPlugin(HINSTANCE instance);
extern "C" int beginSlitPlugin(HINSTANCE instance, HWND slit);
extern "C" int beginPluginEx(HINSTANCE instance, HWND slit);
extern "C" void endPlugin();

namespace {

class EntryTest : public RigTest {
  protected:
    void SetUp() override {
        rigSetInterfaces({{10, 20, "lo"}, {30, 40, "eth0"}});
        rigWriteSettings("");
        hostLogLines().clear();
    }
};

bool isLoadedState() {
    const ModuleHandles none{};
    return std::memcmp(&moduleHandles(), &none, sizeof none) == 0 &&
           widgetSettings().graphs[0].history == nullptr &&
           widgetSettings().graphs[1].history == nullptr && settingsPath()[0] == '\0' &&
           drawingResources().framePen == nullptr && drawingResources().styleFont == nullptr &&
           cachedPicture() == nullptr;
}

bool classRegistered() {
    WNDCLASSA info;
    return GetClassInfoA(rigInstance(), "VelnorClass", &info) != FALSE;
}

int slitWindowCount() {
    return static_cast<int>(hostSlitWindows().size());
}

enum class Entry { Free, Slit, Ex };

int startBy(Entry entry) {
    switch (entry) {
    case Entry::Free:
        return beginPlugin(rigInstance());
    case Entry::Slit:
        return beginSlitPlugin(rigInstance(), hostSlitWindow());
    case Entry::Ex:
        return beginPluginEx(rigInstance(), hostSlitWindow());
    }
    return -1;
}

// What the slit was sent, and what stood at that moment.
struct SlitMessage {
    UINT message;
    bool windowExists, timerRuns;
};
std::vector<SlitMessage> slitMessages;

LRESULT CALLBACK recordSlitMessages(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->hwnd == hostSlitWindow() &&
        (sent->message == SLIT_MSG_ADD || sent->message == SLIT_MSG_REMOVE))
        slitMessages.push_back({sent->message, IsWindow(reinterpret_cast<HWND>(sent->lParam)) != 0,
                                moduleHandles().timer != 0});
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

struct DockCase {
    const char* name;
    Entry entry;
    const char* settings;
    bool docked;
    bool slitForm; // created without the layered style, moves do not follow
};

TEST_F(EntryTest, EachEntryDocksAsItShould) {
    const DockCase cases[] = {
        {"free", Entry::Free, "", false, false},
        {"free ignores inSlit", Entry::Free, "Velnor.inSlit: true\n", false, false},
        {"slit", Entry::Slit, "", true, true},
        {"Ex without inSlit", Entry::Ex, "", false, true},
        {"Ex with inSlit", Entry::Ex, "Velnor.inSlit: true\n", true, true},
    };
    for (const DockCase& c : cases) {
        SCOPED_TRACE(c.name);
        rigWriteSettings(c.settings);
        slitMessages.clear();
        HHOOK hook =
            SetWindowsHookExA(WH_CALLWNDPROC, recordSlitMessages, nullptr, GetCurrentThreadId());
        ASSERT_EQ(startBy(c.entry), 0);
        HWND widget = moduleHandles().widget;
        const bool layered = (GetWindowLongA(widget, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
        EXPECT_EQ(layered, !c.slitForm);
        const std::vector<HWND> expected =
            c.docked ? std::vector<HWND>{widget} : std::vector<HWND>{};
        EXPECT_EQ(hostSlitWindows(), expected);
        endPlugin();
        UnhookWindowsHookEx(hook);
        // Added once the window and the timer exist; removed while the window still does,
        // whenever a slit handle is present.
        std::vector<SlitMessage> expectedMessages;
        if (c.docked)
            expectedMessages.push_back({SLIT_MSG_ADD, true, true});
        if (c.slitForm)
            expectedMessages.push_back({SLIT_MSG_REMOVE, true, false});
        ASSERT_EQ(slitMessages.size(), expectedMessages.size());
        for (size_t i = 0; i < slitMessages.size(); ++i) {
            EXPECT_EQ(slitMessages[i].message, expectedMessages[i].message);
            EXPECT_EQ(slitMessages[i].windowExists, expectedMessages[i].windowExists);
            EXPECT_EQ(slitMessages[i].timerRuns, expectedMessages[i].timerRuns);
        }
        EXPECT_FALSE(IsWindow(widget));
        EXPECT_EQ(slitWindowCount(), 0);
        EXPECT_TRUE(isLoadedState());
        EXPECT_FALSE(classRegistered());
    }
}

TEST_F(EntryTest, StopReleasesEveryObjectTheStartMade) {
    rigWriteSettings("Velnor.sctEnabled: true\n");
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    pumpFor(50); // a paint makes the cached picture
    const HGDIOBJ made[] = {drawingResources().framePen,      drawingResources().styleFont,
                            drawingResources().sctBrush,      widgetSettings().graphs[0].pen,
                            widgetSettings().graphs[0].brush, widgetSettings().graphs[1].pen,
                            widgetSettings().graphs[1].brush};
    for (HGDIOBJ object : made)
        ASSERT_NE(GetObjectType(object), 0u);
    endPlugin();
    for (HGDIOBJ object : made)
        EXPECT_EQ(GetObjectType(object), 0u);
    EXPECT_TRUE(isLoadedState());
}

TEST_F(EntryTest, ASecondStartBehavesLikeTheFirst) {
    rigWriteSettings("Velnor.x: 31\nVelnor.y: 32\n");
    ASSERT_EQ(beginSlitPlugin(rigInstance(), hostSlitWindow()), 0);
    const std::vector<std::string> firstReads = rigLogLines("Read");
    ASSERT_FALSE(firstReads.empty());
    endPlugin();
    hostLogLines().clear();
    // The slit handle of the first run is gone: this start is free-floating again.
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    // Everything is read again, and the new window is registered with the shell.
    EXPECT_EQ(rigLogLines("Read"), firstReads);
    EXPECT_EQ(rigLogLines("HOST_MSG_REGISTER ").size(), 1u);
    EXPECT_EQ(moduleHandles().slit, nullptr);
    EXPECT_NE(GetWindowLongA(moduleHandles().widget, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_EQ(slitWindowCount(), 0);
    RECT rect{};
    GetWindowRect(moduleHandles().widget, &rect);
    EXPECT_EQ(rect.left, 31);
    EXPECT_EQ(rect.top, 32);
    EXPECT_NE(widgetSettings().graphs[0].history, nullptr);
    endPlugin();
    EXPECT_TRUE(isLoadedState());
}

TEST_F(EntryTest, AStartWhileRunningChangesNothing) {
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    HWND widget = moduleHandles().widget;
    const HPEN framePen = drawingResources().framePen;
    hostLogLines().clear();
    EXPECT_EQ(beginPlugin(rigInstance()), 1);
    EXPECT_EQ(beginSlitPlugin(rigInstance(), hostSlitWindow()), 1);
    EXPECT_EQ(beginPluginEx(rigInstance(), hostSlitWindow()), 1);
    EXPECT_TRUE(hostLogLines().empty());
    EXPECT_EQ(moduleHandles().widget, widget);
    EXPECT_EQ(moduleHandles().slit, nullptr);
    EXPECT_EQ(drawingResources().framePen, framePen);
    EXPECT_EQ(slitWindowCount(), 0);
    endPlugin();
}

TEST_F(EntryTest, StopWithoutAStartDoesNothing) {
    endPlugin();
    EXPECT_TRUE(isLoadedState());
    EXPECT_TRUE(hostLogLines().empty());
}

// The shell restarts the plug-in while the first start's icon box is open: the stop takes that
// start down, and the widget that runs afterwards is the second start's.
TEST_F(EntryTest, ARestartInsideTheStartsIconBox) {
    rigWriteSettings("Velnor.receiveLabel.icon: missing.ico\n");
    int restarted = -1;
    BoxWatcher watch([&](std::size_t index) {
        if (index == 0 && restarted < 0) {
            endPlugin();
            restarted = beginPlugin(rigInstance());
        }
        return true;
    });
    EXPECT_EQ(beginPlugin(rigInstance()), 1);
    ASSERT_EQ(restarted, 0);
    for (const SeenBox& box : watch.seen())
        EXPECT_EQ(box.caption, "Cannot load icon");
    EXPECT_TRUE(IsWindow(moduleHandles().widget));
    EXPECT_NE(moduleHandles().timer, 0u);
    endPlugin();
    EXPECT_TRUE(isLoadedState());
    EXPECT_FALSE(classRegistered());
}

TEST_F(EntryTest, TimerTicksWithThePeriodReadAtStart) {
    struct TimerCase {
        const char* settings;
        int period;
    };
    const TimerCase cases[] = {{"Velnor.timer: 50\n", 50}, {"", 1000}, {"Velnor.timer: 0\n", 1000}};
    for (const TimerCase& c : cases) {
        SCOPED_TRACE(c.settings);
        rigWriteSettings(c.settings);
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
        EXPECT_NE(moduleHandles().timer, 0u);
        EXPECT_EQ(moduleHandles().timerPeriod, c.period);
        EXPECT_NE(moduleHandles().timerProc, nullptr);
        endPlugin();
    }
    // Ticks run from the end of the start: the totals follow the counters.
    rigWriteSettings("Velnor.timer: 50\n");
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    EXPECT_EQ(TrafficSampler::readings().totals[Channel::Receive], 10);
    rigSetInterfaces({{10 + 512, 20 + 256, "lo"}, {30, 40, "eth0"}});
    pumpFor(200);
    EXPECT_EQ(TrafficSampler::readings().totals[Channel::Receive], 10 + 512);
    EXPECT_EQ(TrafficSampler::readings().totals[Channel::Send], 20 + 256);
    endPlugin();
}

// Makes CreateWindowExA fail for the widget's class only.
LRESULT CALLBACK refuseWidgetWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        char name[32] = {};
        GetClassNameA(reinterpret_cast<HWND>(wParam), name, sizeof name);
        if (std::strcmp(name, "VelnorClass") == 0)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(EntryTest, AFailedStartShowsItsBoxAndReturnsToTheLoadedState) {
    struct FailureCase {
        const char* name;
        const char* text;
    };
    const FailureCase cases[] = {
        {"class taken", "Error registering window class"},
        {"window refused", "Error creating plugin window"},
        {"timer refused", "Error starting timer"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        WNDCLASSA taken{};
        taken.lpfnWndProc = DefWindowProcA;
        taken.hInstance = rigInstance();
        taken.lpszClassName = "VelnorClass";
        HHOOK hook = nullptr;
        if (std::strcmp(c.name, "class taken") == 0)
            ASSERT_NE(RegisterClassA(&taken), 0);
        else if (std::strcmp(c.name, "window refused") == 0)
            hook = SetWindowsHookExA(WH_CBT, refuseWidgetWindow, nullptr, GetCurrentThreadId());
        int result = 0;
        {
            BoxWatcher watch;
            {
                // Refused after the watcher started its own.
                std::optional<ImportHook<decltype(&refuseTimer)>> refused;
                if (std::strcmp(c.name, "timer refused") == 0)
                    refused.emplace("user32.dll", "SetTimer", &refuseTimer);
                result = beginSlitPlugin(rigInstance(), hostSlitWindow());
            }
            ASSERT_EQ(watch.seen().size(), 1u);
            EXPECT_EQ(watch.seen()[0].text, c.text);
            EXPECT_EQ(watch.seen()[0].caption, "Error");
            EXPECT_EQ(watch.seen()[0].owner, hostWindow());
            // Wine shows MB_TOPMOST without WS_EX_TOPMOST; the end-to-end tests read the style
            // the shell's log records for the call.
            EXPECT_EQ(watch.seen()[0].icon, LoadIconA(nullptr, IDI_HAND));
        }
        if (hook)
            UnhookWindowsHookEx(hook);
        else if (std::strcmp(c.name, "class taken") == 0)
            UnregisterClassA("VelnorClass", rigInstance());
        EXPECT_EQ(result, 1);
        EXPECT_EQ(slitWindowCount(), 0);
        EXPECT_TRUE(isLoadedState());
        EXPECT_FALSE(classRegistered());
        // Nothing of the failed start stands in the way of the next.
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
        endPlugin();
    }
}

TEST(PluginInfo, AnswersEveryField) {
    const struct {
        int field;
        const char* text;
    } cases[] = {
        {1, "Velnor"},
        {2, "0.0.4"},
        {3, "Velnor developers"},
        {4, "2007-07-28"},
        {5, "https://velnor.example/"},
        {6, "developers@velnor.example"},
        {0, "Velnor 0.0.4"},
        {7, "Velnor 0.0.4"},
        {-1, "Velnor 0.0.4"},
        {INT_MIN, "Velnor 0.0.4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_STREQ(pluginInfo(c.field), c.text);
    }
}

} // namespace
