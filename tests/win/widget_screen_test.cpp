// The widget window against the screen under Wine: a stored place that no monitor shows, display
// changes, and a window that cannot be created.
#include <gtest/gtest.h>

#include <string>

#include "handles.h"
#include "host.h"
#include "shell.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "widget/window.h"
#include "message_boxes.h"
#include "win/messages.h"
#include "win/win_files.h"

namespace {

void noBroadcast(HWND, const char*) {}
void noMenu() {}
const WidgetCommands kCommands{noBroadcast, noMenu};

RECT workArea() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return monitor.rcWork;
}

POINT windowPlace() {
    RECT place{};
    GetWindowRect(moduleHandles().widget, &place);
    return POINT{place.left, place.top};
}

void storePlace(int x, int y, int width = 120, int height = 90) {
    WidgetSettings settings = widgetSettings();
    settings.x = x;
    settings.y = y;
    settings.width = width;
    settings.height = height;
    installSettings(settings);
}

class ScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        clearHandles();
        host = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
        recordStart(GetModuleHandleA(nullptr), host, nullptr, layeredAttributes());
        hostSetWindow(host);
        makeFramePen();
        installSettings(WidgetSettings{});
        work = workArea();
        ASSERT_GT(work.right - work.left, 200);
        ASSERT_GT(work.bottom - work.top, 200);
    }
    void TearDown() override {
        destroyWidgetWindow();
        if (slit)
            DestroyWindow(slit);
        DestroyWindow(host);
        installSettings(WidgetSettings{});
        releaseResources();
        clearHandles();
        pumpMessages();
    }
    void useSlit() {
        slit = CreateWindowExA(0, "STATIC", "slit", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
        recordStart(moduleHandles().instance, host, slit, moduleHandles().layered);
    }

    HWND host = nullptr, slit = nullptr;
    RECT work{};
};

TEST_F(ScreenTest, AStoredPlaceOnNoMonitorIsShownInsideTheNearestWorkArea) {
    const LONG w = work.right - work.left, h = work.bottom - work.top;
    struct Row {
        const char* name;
        bool slit;
        int x, y, width, height;
        LONG left, top;
    };
    const Row rows[] = {
        {"beyond right and bottom", false, work.right + 5000, work.bottom + 4000, 120, 90,
         work.right - 120, work.bottom - 90},
        {"beyond left and top", false, work.left - 5000, work.top - 3000, 120, 90, work.left,
         work.top},
        {"larger than the work area keeps its corner in", false, work.right + 100, work.top - 5000,
         w + 200, h + 100, work.left, work.top},
        {"partly visible stays", false, work.right - 10, work.bottom - 10, 120, 90, work.right - 10,
         work.bottom - 10},
        {"in the slit stays", true, work.right + 5000, work.bottom + 4000, 120, 90,
         work.right + 5000, work.bottom + 4000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.slit)
            useSlit();
        storePlace(row.x, row.y, row.width, row.height);
        ASSERT_TRUE(createWidgetWindow(kCommands));
        const POINT place = windowPlace();
        EXPECT_EQ(place.x, row.left);
        EXPECT_EQ(place.y, row.top);
        EXPECT_EQ(widgetSettings().x, row.x);
        EXPECT_EQ(widgetSettings().y, row.y);
        destroyWidgetWindow();
    }
}

// The rig cannot unplug a monitor: it moves the stored place off the screen and back instead,
// which asks the same question of the display-change handler.
TEST_F(ScreenTest, DisplayChangesRescueTheWidgetAndPutItBackWithoutStoringTheRescue) {
    const POINT away{work.right + 5000, work.bottom + 4000};
    const POINT rescued{work.right - 120, work.bottom - 90};
    const POINT home{work.left + 30, work.top + 40};
    storePlace(away.x, away.y);
    ASSERT_TRUE(createWidgetWindow(kCommands));
    HWND window = moduleHandles().widget;
    struct Step {
        const char* name;
        POINT stored; // changed before the step's display change; what is stored after it
        bool minimizeAndRestore;
        POINT place;
    };
    const Step steps[] = {
        {"nothing changed", away, false, rescued},
        {"minimized and restored while rescued", away, true, rescued},
        {"stored place visible again", home, false, home},
        {"stored place gone again", away, false, rescued},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        storePlace(step.stored.x, step.stored.y);
        SendMessageA(window, WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768));
        if (step.minimizeAndRestore) {
            ShowWindow(window, SW_SHOWMINNOACTIVE);
            ShowWindow(window, SW_RESTORE);
            pumpMessages();
        }
        const POINT place = windowPlace();
        EXPECT_EQ(place.x, step.place.x);
        EXPECT_EQ(place.y, step.place.y);
        EXPECT_EQ(widgetSettings().x, step.stored.x);
        EXPECT_EQ(widgetSettings().y, step.stored.y);
    }
    // "write settings" stores the place the user chose, not the rescue.
    useSettingsFolder("display_change");
    writeSettings();
    EXPECT_EQ(ReadInt(settingsPath(), "Velnor.x:", 0), away.x);
    EXPECT_EQ(ReadInt(settingsPath(), "Velnor.y:", 0), away.y);
    // A move by the user from the rescued place is stored, and a display change keeps it.
    SetWindowPos(window, nullptr, home.x + 5, home.y + 5, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(window, WM_DISPLAYCHANGE, 24, MAKELPARAM(1024, 768));
    EXPECT_EQ(windowPlace().x, home.x + 5);
    EXPECT_EQ(widgetSettings().x, home.x + 5);
    EXPECT_EQ(widgetSettings().y, home.y + 5);
    usePaths("", "");
}

LRESULT CALLBACK refuseWidgetWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const CBT_CREATEWNDA* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        const char* name = create->lpcs->lpszClass;
        if (!IS_INTRESOURCE(name) && std::string(name) == kWidgetClass)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(ScreenTest, AWindowThatCannotBeCreatedUnregistersItsClass) {
    HHOOK hook = SetWindowsHookExA(WH_CBT, refuseWidgetWindow, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    bool made = true;
    {
        BoxWatcher watch;
        made = createWidgetWindow(kCommands);
        ASSERT_EQ(watch.seen().size(), 1u);
        EXPECT_EQ(watch.seen()[0].text, "Error creating plugin window");
    }
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(made);
    WNDCLASSA info{};
    EXPECT_FALSE(GetClassInfoA(moduleHandles().instance, kWidgetClass, &info));
}

} // namespace
