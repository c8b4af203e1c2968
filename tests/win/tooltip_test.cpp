// The widget's tooltip under Wine, opened by real pointer input over the running widget: its
// text read back from the tooltip window, against the scripted interface table.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "support/fake_iphlpapi_client.h"
#include "handles.h"
#include "host.h"
#include "plugin_rig.h"
#include "support/import_hook.h"
#include "widget/cap_watch.h"
#include "widget/tooltip.h"
#include "win/tooltip_windows.h"

extern "C" int beginPlugin(HINSTANCE instance);
extern "C" int beginSlitPlugin(HINSTANCE instance, HWND slit);
extern "C" void endPlugin();

namespace {

const char* const kSettings =
    "Velnor.x: 300\nVelnor.y: 300\nVelnor.alwaysOnTop: true\nVelnor.price: 2\n";

// Moves the pointer off the widget and onto its centre by real input, and gives the widget's
// tooltip once it shows; null when none did within three seconds.
HWND hover(HWND widget) {
    pointAt(offEveryWidget());
    pumpFor(100);
    RECT rect{};
    GetWindowRect(widget, &rect);
    pointAt({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    for (int waited = 0; waited < 3000; waited += 20) {
        pumpFor(20);
        for (HWND tooltip : threadTooltips())
            if (IsWindowVisible(tooltip))
                return tooltip;
    }
    return nullptr;
}

// The tooltip's text once it differs from `shown`, within three seconds (three ticks).
std::string nextText(HWND tooltip, const std::string& shown) {
    std::string now = shown;
    for (int waited = 0; waited < 3000 && now == shown; waited += 20) {
        pumpFor(20);
        now = tooltipText(tooltip);
    }
    return now;
}

// Makes the tooltip control's window fail, every other window as it was.
decltype(&CreateWindowExA) realCreateWindow;
HWND WINAPI noTooltipWindow(DWORD ex, LPCSTR name, LPCSTR title, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                            LPVOID param) {
    if (!IS_INTRESOURCE(name) && lstrcmpiA(name, "tooltips_class32") == 0)
        return nullptr;
    return realCreateWindow(ex, name, title, style, x, y, width, height, parent, menu, instance,
                            param);
}

class TooltipTest : public RigTest {
  protected:
    void SetUp() override {
        rigSetInterfaces({{10, 20, "lo"}, {3072, 1024, "Scripted Ethernet"}});
        hostLogLines().clear();
    }
    void TearDown() override {
        endPlugin();
        EXPECT_TRUE(threadTooltips().empty()) << "the stop leaves no tooltip window";
    }
};

TEST_F(TooltipTest, ShowsTheSelectedInterfaceAndItsFiguresInBothForms) {
    struct Case {
        const char* name;
        bool slit;
        const char* adapter;
        const char* text;
    };
    const Case cases[] = {
        {"free", false, "Velnor.adapter: 1\n",
         "Scripted Ethernet\r\nreceive 0 B/s\r\nsend 0 B/s\r\nreceived 3.000 KB\r\n"
         "sent 1.000 KB\r\nboth 4.000 KB\r\ncost 8.00"},
        {"slit", true, "Velnor.adapter: 1\n",
         "Scripted Ethernet\r\nreceive 0 B/s\r\nsend 0 B/s\r\nreceived 3.000 KB\r\n"
         "sent 1.000 KB\r\nboth 4.000 KB\r\ncost 8.00"},
        {"outside the table", false, "Velnor.adapter: 5\n",
         "no interface at position 5\r\nreceive 0 B/s\r\nsend 0 B/s\r\nreceived 0 B\r\n"
         "sent 0 B\r\nboth 0 B\r\ncost 0.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Ticks come before the tooltip opens: the cost is the sampler's from the first tick on.
        rigWriteSettings(std::string(kSettings) + "Velnor.timer: 200\n" + c.adapter);
        ASSERT_EQ(c.slit ? beginSlitPlugin(rigInstance(), hostSlitWindow())
                         : beginPlugin(rigInstance()),
                  0);
        EXPECT_EQ(threadTooltips().size(), 1u) << "one tooltip, made with the window";
        HWND tooltip = hover(moduleHandles().widget);
        ASSERT_NE(tooltip, nullptr) << "no tooltip opened";
        EXPECT_EQ(tooltipText(tooltip), c.text);
        endPlugin();
        EXPECT_FALSE(IsWindow(tooltip));
    }
}

TEST_F(TooltipTest, FiguresFollowTheTicksWithoutAskingTheTable) {
    // A second between ticks: the rates come out exact within the sampler's quarter period.
    rigWriteSettings(std::string(kSettings) + "Velnor.timer: 1000\nVelnor.adapter: 1\n");
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    HWND tooltip = hover(moduleHandles().widget);
    ASSERT_NE(tooltip, nullptr);
    const std::string opened = tooltipText(tooltip);
    rigSetInterfaces({{10, 20, "lo"}, {3072 + 1536, 1024 + 512, "Scripted Ethernet"}});
    EXPECT_EQ(nextText(tooltip, opened),
              "Scripted Ethernet\r\nreceive 1.500 KB/s\r\nsend 512 B/s\r\nreceived 4.500 KB\r\n"
              "sent 1.500 KB\r\nboth 6.000 KB\r\ncost 12.00");

    // The refresh a tick makes shows the figures again without a query of the table.
    FakeIfTableStatsFn stats = fakeIfTableStats();
    ASSERT_NE(stats, nullptr);
    rigSetInterfaces({{10, 20, "lo"}, {3072 + 1536, 1024 + 512, "Renamed Ethernet"}});
    refreshTooltip();
    FakeIfStats seen{};
    stats(&seen);
    EXPECT_EQ(seen.calls, 0u);
    EXPECT_EQ(tooltipText(tooltip).rfind("Scripted Ethernet\r\n", 0), 0u);

    // Another interface chosen while the tooltip is open: its description comes with the figures.
    rigBroadcast(moduleHandles().widget, "@Velnor.adapter.0");
    EXPECT_EQ(nextText(tooltip, tooltipText(tooltip)),
              "lo\r\nreceive 0 B/s\r\nsend 0 B/s\r\nreceived 10 B\r\nsent 20 B\r\nboth 30 B\r\n"
              "cost 0.06");
}

// Another interface that takes the shown position while the tooltip is open brings its name.
TEST_F(TooltipTest, TheNameFollowsARowShiftWhileOpen) {
    const FakeIfRow before[] = {fakeWideRow(1, 10, 20, "lo"), fakeWideRow(2, 3072, 1024, "eth0")};
    const FakeIfRow after[] = {fakeWideRow(1, 10, 20, "lo"), fakeWideRow(3, 0, 0, "wlan"),
                               fakeWideRow(2, 3072, 1024, "eth0")};
    fakeIfTableSetRows()(before, 2);
    rigWriteSettings(std::string(kSettings) + "Velnor.timer: 200\nVelnor.adapter: 1\n");
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    HWND tooltip = hover(moduleHandles().widget);
    ASSERT_NE(tooltip, nullptr);
    const std::string opened = tooltipText(tooltip);
    EXPECT_EQ(opened.rfind("eth0\r\n", 0), 0u) << opened;
    fakeIfTableSetRows()(after, 3);
    const std::string shifted = nextText(tooltip, opened);
    EXPECT_EQ(shifted.rfind("wlan\r\n", 0), 0u) << shifted;
    endPlugin();
}

// The local clock the widget reads here: noon of a fixed day, so that neither midnight nor the
// end of the day's first hour falls between the tooltip's figures and the test's look at them.
void WINAPI noonLocalTime(SYSTEMTIME* now) {
    *now = SYSTEMTIME{2026, 3, 1, 2, 12, 0, 0, 0};
}

// The limit's lines count the interface shown, by its position or by its name.
TEST_F(TooltipTest, TheLimitsLinesFollowThePeriodLine) {
    ImportHook noon("kernel32.dll", "GetLocalTime", &noonLocalTime);
    ASSERT_NE(noon.real, nullptr);
    const std::string ledger = rigSettingsPath().substr(0, rigSettingsPath().size() - 2) + "usage";
    for (const char* shown :
         {"Velnor.adapter: 1\n", "Velnor.adapter: 0\nVelnor.interface: Scripted Ethernet\n"}) {
        SCOPED_TRACE(shown);
        DeleteFileA(ledger.c_str());
        rigSetInterfaces({{10, 20, "lo"}, {3072, 1024, "Scripted Ethernet"}});
        rigWriteSettings(std::string(kSettings) + shown +
                         "Velnor.timer: 200\nVelnor.period: day\nVelnor.cap: 8 KB\n");
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
        // Counted from the start: 4 KB received and 2 KB sent today.
        rigSetInterfaces({{10, 20, "lo"}, {3072 + 4096, 1024 + 2048, "Scripted Ethernet"}});
        HWND tooltip = hover(moduleHandles().widget);
        ASSERT_NE(tooltip, nullptr);
        std::string text = tooltipText(tooltip);
        if (text.find("used (75%)") == std::string::npos)
            text = nextText(tooltip, text);
        const std::string lines =
            "\r\ntoday: received 4.000 KB, sent 2.000 KB, both 6.000 KB, cost 12.00"
            "\r\ncap 8.000 KB: 6.000 KB used (75%), 2.000 KB left, 2.000 KB a day "
            "for 1 day";
        EXPECT_NE(text.find(lines), std::string::npos) << text;
        // The estimate for the day, past its first hour, by today.
        const std::size_t estimate = text.find("\r\nestimated ");
        EXPECT_EQ(estimate, text.find(lines) + lines.size()) << text;
        EXPECT_NE(text.find(" by 2026-03-02", estimate), std::string::npos) << text;
        endPlugin();
    }
    DeleteFileA(ledger.c_str());
}

// `local` as UTC in a zone `before` seconds ahead until local time `change`, `after` from it.
BOOL leadChangingAt(const SYSTEMTIME& change, ULONGLONG before, ULONGLONG after,
                    const SYSTEMTIME* local, SYSTEMTIME* utc) {
    FILETIME at, time;
    SystemTimeToFileTime(&change, &at);
    SystemTimeToFileTime(local, &time);
    ULARGE_INTEGER ticks{{time.dwLowDateTime, time.dwHighDateTime}};
    ticks.QuadPart -= (CompareFileTime(&time, &at) < 0 ? before : after) * 10000000ULL;
    time = FILETIME{ticks.LowPart, ticks.HighPart};
    return FileTimeToSystemTime(&time, utc);
}

// A zone whose clocks go an hour forward at 2:00 on the day noonLocalTime reads.
BOOL WINAPI forwardAtTwo(const TIME_ZONE_INFORMATION*, const SYSTEMTIME* local, SYSTEMTIME* utc) {
    return leadChangingAt({2026, 3, 1, 2, 2, 0, 0, 0}, 3600, 7200, local, utc);
}

// The estimate's clock counts the hour the local clock skipped, from the system's zone.
TEST(CapClock, TakesTheClocksChangeFromTheZone) {
    ImportHook zone("kernel32.dll", "TzSpecificLocalTimeToSystemTime", &forwardAtTwo);
    ASSERT_NE(zone.real, nullptr);
    ImportHook noon("kernel32.dll", "GetLocalTime", &noonLocalTime);
    const CapClock clock = capClockNow();
    EXPECT_EQ(clock.forward, 3600);
    EXPECT_EQ(clock.forwardByEnd, 3600);
}

// A zone an hour ahead in summer whose clocks go back at 2:00 on 2026-11-01, so that 1:30 shows
// twice; the system's conversion answers with the first pass.
BOOL WINAPI backAtTwo(const TIME_ZONE_INFORMATION*, const SYSTEMTIME* local, SYSTEMTIME* utc) {
    return leadChangingAt({2026, 11, 0, 1, 2, 0, 0, 0}, 3600, 0, local, utc);
}
DWORD WINAPI backAtTwoZone(TIME_ZONE_INFORMATION* zone) {
    *zone = TIME_ZONE_INFORMATION{};
    zone->DaylightBias = -60;
    return TIME_ZONE_ID_STANDARD;
}
constexpr SYSTEMTIME kHalfPastOne{2026, 11, 0, 1, 1, 30, 0, 0};
void WINAPI halfPastOne(SYSTEMTIME* now) {
    *now = kHalfPastOne;
}
// The real clock on the second pass: 1:30 standard time, which is UTC here.
void WINAPI secondPass(FILETIME* now) {
    SystemTimeToFileTime(&kHalfPastOne, now);
}

// On the repeated hour's second pass the day has run an hour longer than its wall clock says.
TEST(CapClock, TellsTheRepeatedHoursPassesApart) {
    ImportHook zone("kernel32.dll", "TzSpecificLocalTimeToSystemTime", &backAtTwo);
    ImportHook zoneNow("kernel32.dll", "GetTimeZoneInformation", &backAtTwoZone);
    ImportHook wall("kernel32.dll", "GetLocalTime", &halfPastOne);
    ImportHook real("kernel32.dll", "GetSystemTimeAsFileTime", &secondPass);
    ASSERT_NE(zoneNow.real, nullptr);
    EXPECT_EQ(capClockNow().forward, -3600);
}

// The first lines with "Velnor.interface:": the route's interface, none, the sum's lines (the
// loopback and the tunnel not among them), a named one present or not.
TEST_F(TooltipTest, FirstLinesOfTheChosenInterfaces) {
    const FakeIfRow rows[] = {fakeKindRow(1, 10, 20, "lo", 24, false),
                              fakeKindRow(2, 3072, 1024, "Scripted Ethernet", 6, true),
                              fakeKindRow(3, 50, 60, "Scripted tunnel", 131, false),
                              fakeKindRow(4, 70, 80, "Scripted Wi-Fi", 71, true)};
    const struct {
        const char* value;
        std::uint32_t route;
        const char* heading;
    } cases[] = {
        {"auto", 2, "Automatic: Scripted Ethernet"},
        {"auto", 0, "Automatic: no default route"},
        {"auto", 7, "Automatic: the default route's interface is not present"},
        {"all", 0,
         "All interfaces (2)\r\nScripted Ethernet: receive 0 B/s, send 0 B/s\r\n"
         "Scripted Wi-Fi: receive 0 B/s, send 0 B/s"},
        {"{00000004-0000-0000-0000-4E6574446576}", 0, "Scripted Wi-Fi"},
        {"wlan9", 0, "wlan9: interface not present"},
    };
    fakeIfTableSetRows()(rows, 4);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.value) + " " + std::to_string(c.route));
        fakeIfRouteSet()(c.route);
        rigWriteSettings(std::string(kSettings) +
                         "Velnor.timer: 200\nVelnor.interface: " + c.value + "\n");
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
        HWND tooltip = hover(moduleHandles().widget);
        ASSERT_NE(tooltip, nullptr) << "no tooltip opened";
        EXPECT_EQ(tooltipText(tooltip).rfind(std::string(c.heading) + "\r\nreceive ", 0), 0u)
            << tooltipText(tooltip);
        endPlugin();
    }
    fakeIfRouteSet()(0);
}

// A tooltip that could not be made with the window is made at the next tick.
TEST_F(TooltipTest, OneThatCouldNotBeMadeAtTheStartIsMadeAtTheNextTick) {
    rigWriteSettings(kSettings);
    {
        ImportHook noTooltip("user32.dll", "CreateWindowExA", &noTooltipWindow);
        realCreateWindow = noTooltip.real;
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
    }
    EXPECT_TRUE(threadTooltips().empty());
    moduleHandles().timerProc(nullptr, WM_TIMER, moduleHandles().timer, 0);
    EXPECT_NE(hover(moduleHandles().widget), nullptr);
}

} // namespace
