// The usage window: its picture for known days read back from a memory DC, and the window of a
// widget started in this process with a ledger on the scripted table: its figures, how it opens
// and closes, the reload and the stop.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "gdi.h"
#include "handles.h"
#include "host.h"
#include "plugin_rig.h"
#include "style.h"
#include "support/canvas.h"
#include "support/fake_iphlpapi_client.h"
#include "support/import_hook.h"
#include "support/input.h"
#include "traffic/format.h"
#include "traffic/sampler.h"
#include "usage/calendar.h"
#include "usage/keeper.h"
#include "widget/figures.h"
#include "widget/usage_window.h"
#include "win/win_files.h"

extern "C" int beginPlugin(HINSTANCE instance);
extern "C" void endPlugin();

namespace {

constexpr COLORREF kBack = RGB(0x30, 0x30, 0x38);
constexpr COLORREF kPlot = RGB(0x10, 0x24, 0x10);
constexpr COLORREF kReceive = RGB(0x50, 0xD0, 0x50);
constexpr COLORREF kSend = RGB(0x50, 0x90, 0xFF);
constexpr COLORREF kText = RGB(0xFF, 0xFF, 0x00);

// `text` drawn alone as the picture draws it, over the background; `right` right-aligned beside.
void reference(Canvas& canvas, HFONT font, const char* text, RECT box, UINT align,
               const char* right = "") {
    HBRUSH back = CreateSolidBrush(kBack);
    RECT all{0, 0, kUsageWidth, kUsageHeight};
    FillRect(canvas.dc(), &all, back);
    DeleteObject(back);
    ScopedSelect selected(canvas.dc(), font);
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextColor(canvas.dc(), kText);
    const UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    DrawTextA(canvas.dc(), text, -1, &box, flags | align);
    DrawTextA(canvas.dc(), right, -1, &box, flags | DT_RIGHT);
}

// Pixels of the bar colour standing on the plot's bottom edge at column x; the plot's above.
int barAt(const Canvas& canvas, int x, COLORREF bar) {
    int height = 0;
    while (height < 120 && canvas.at(x, kUsagePlot.bottom - 1 - height) == bar)
        ++height;
    return height < 120 && canvas.at(x, kUsagePlot.bottom - 1 - height) != kPlot ? -1 : height;
}

// A picture of 30 days, today the 20th, in the colours above, on a gradient of one colour so that
// text can be compared with a reference.
UsagePicture plainPicture(const HostStyle& style, HFONT font) {
    UsagePicture picture{};
    picture.style = reinterpret_cast<const unsigned char*>(&style);
    picture.font = font;
    picture.text = kText;
    picture.plot = kPlot;
    picture.bars[Channel::Receive] = kReceive;
    picture.bars[Channel::Send] = kSend;
    picture.days = 30;
    picture.today = 19;
    return picture;
}

HFONT tahoma() {
    return CreateFontA(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                       NONANTIALIASED_QUALITY, 0, "Tahoma");
}

TEST(UsagePicture, ColumnsScaleToTheLargestDayAndTheTextsAreTheGivenOnes) {
    HostStyle style{};
    style.gradientTop = style.gradientBottom = style.borderColor = kBack;
    HFONT font = tahoma();
    UsagePicture picture = plainPicture(style, font);
    // 1,000 bytes a pixel: day d receives d * 4 pixels' worth; day 0 sends the largest day, day 1
    // a single byte, which still shows; days after today hold bytes that must not show.
    picture.largest = 120000;
    for (int day = 0; day < picture.days; ++day) {
        picture.bytes[day][Channel::Receive] = day * 4000;
        picture.bytes[day][Channel::Send] = day == 0 ? 120000 : day == 1 ? 1 : (day % 3) * 1000;
    }
    formatByteCount(picture.largest, picture.scale, kTextSize);
    std::snprintf(picture.undated, sizeof picture.undated, "totals include 1.0 MB not on a day");
    const LabelFigures figures = pricedFigures(3000000000LL, 123456789LL, 0.5);
    for (int kind = 0; kind < LabelKind::Count; ++kind)
        labelValue(kind, figures, picture.totals[kind], kTextSize);
    Canvas canvas(kUsageWidth, kUsageHeight);
    paintUsagePicture(canvas.dc(), picture);

    for (int day = 0; day < picture.days; ++day) {
        SCOPED_TRACE(testing::Message() << "day " << day);
        const int left = kUsagePlot.left + day * kUsageColumn + 1;
        const bool shown = day <= picture.today;
        const int receive = shown ? day * 4 : 0;
        const int send = !shown ? 0 : day == 0 ? 120 : day == 1 ? 1 : day % 3;
        for (int x = left; x < left + kUsageBar; ++x) {
            EXPECT_EQ(barAt(canvas, x, kReceive), receive);
            EXPECT_EQ(barAt(canvas, x + kUsageBar, kSend), send);
        }
        EXPECT_EQ(canvas.at(left - 1, kUsagePlot.bottom - 1), kPlot) << "the gap between days";
    }
    EXPECT_NE(canvas.at(kUsagePlot.left + 30 * kUsageColumn, kUsagePlot.bottom - 1), kPlot)
        << "the plot ends with the period";

    // The scale's label with the note right of it, and the totals, each against the same text
    // drawn alone.
    for (int kind = -1; kind < LabelKind::Count; ++kind) {
        const char* text = kind < 0 ? picture.scale : picture.totals[kind];
        const RECT area = kind < 0 ? kUsageScaleBox : usageTotalValueBox(kind);
        SCOPED_TRACE(text);
        Canvas expected(kUsageWidth, kUsageHeight);
        reference(expected, font, text, area, kind < 0 ? DT_LEFT : DT_RIGHT,
                  kind < 0 ? picture.undated : "");
        const Box box{area.left, area.top, area.right, area.bottom};
        EXPECT_FALSE(expected.ink(box, kBack).empty());
        EXPECT_TRUE(canvas.same(expected, box));
    }
    DeleteObject(font);
}

TEST(UsagePicture, ALimitDrawsTheAllowanceLineAndTheEstimatedDaysOutlined) {
    HostStyle style{};
    style.gradientTop = style.gradientBottom = style.borderColor = kBack;
    HFONT font = tahoma();
    constexpr COLORREF kCap = RGB(0xFF, 0xC0, 0x00);
    UsagePicture picture = plainPicture(style, font);
    picture.largest = 120000; // 1,000 bytes a pixel
    for (int day = 0; day <= picture.today; ++day)
        picture.bytes[day][Channel::Receive] = 10000;
    picture.capped = true;
    picture.capColor = kCap;
    picture.allowance = 60000;
    picture.average = 30000;
    std::snprintf(picture.capLine, sizeof picture.capLine, "used of cap");
    std::snprintf(picture.allowanceText, sizeof picture.allowanceText, "58.594 KB a day");
    std::snprintf(picture.scale, sizeof picture.scale, "117.188 KB");
    Canvas canvas(kUsageWidth, kUsageHeight);
    paintUsagePicture(canvas.dc(), picture);

    const int line = kUsagePlot.bottom - 60;
    EXPECT_EQ(usageAllowanceY(picture), line);
    for (int x = kUsagePlot.left; x < kUsagePlot.left + 30 * kUsageColumn; ++x)
        ASSERT_EQ(canvas.at(x, line), kCap) << x;
    for (int day = 0; day < picture.days; ++day) {
        SCOPED_TRACE(testing::Message() << "day " << day);
        const int left = kUsagePlot.left + day * kUsageColumn + 1;
        const int right = left + 2 * kUsageBar - 1, top = kUsagePlot.bottom - 30;
        if (day <= picture.today) {
            EXPECT_EQ(barAt(canvas, left + 1, kReceive), 10);
            EXPECT_EQ(barAt(canvas, right, kReceive), 0);
            continue;
        }
        // An outline 30 pixels high over both bars' places, hollow.
        EXPECT_EQ(barAt(canvas, left, kReceive), 30);
        EXPECT_EQ(barAt(canvas, right, kReceive), 30);
        EXPECT_EQ(canvas.at(left + 3, top), kReceive);
        EXPECT_EQ(canvas.at(left + 3, top - 1), kPlot);
        EXPECT_EQ(canvas.at(left + 3, top + 1), kPlot);
        EXPECT_EQ(canvas.at(left + 3, kUsagePlot.bottom - 1), kPlot);
    }
    const RECT figure = usageAllowanceBox(picture);
    EXPECT_EQ(figure.bottom, line) << "the figure stands on its line";
    EXPECT_FALSE(
        canvas.ink(Box{figure.left, figure.top, figure.right, figure.bottom}, kPlot).empty());
    EXPECT_FALSE(canvas
                     .ink(Box{kUsageScaleBox.left, kUsageScaleBox.top,
                              kUsageScaleBox.right - kUsageScaleWidth, kUsageScaleBox.bottom},
                          kBack)
                     .empty())
        << "the limit's line";
    // A line too wide for its row gives way to its brief wording, drawn whole.
    std::snprintf(picture.capBrief, sizeof picture.capBrief, "used of cap");
    std::snprintf(picture.capLine, sizeof picture.capLine, "%s", std::string(90, 'W').c_str());
    Canvas brief(kUsageWidth, kUsageHeight);
    paintUsagePicture(brief.dc(), picture);
    EXPECT_TRUE(brief.same(canvas, Box{0, 0, kUsageWidth, kUsageHeight}));
    DeleteObject(font);
}

TEST(UsagePlace, BesideTheWidgetAndWhollyOnItsWorkArea) {
    const RECT work{0, 0, 1000, 700};
    const SIZE size{400, 250};
    struct Row {
        const char* what;
        RECT widget;
        POINT place;
    };
    const Row rows[] = {
        {"room on the right", {100, 100, 300, 200}, {304, 100}},
        {"none on the right: left", {700, 100, 900, 200}, {296, 100}},
        {"room on neither side, low on the screen", {300, 600, 900, 700}, {0, 450}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const POINT place = usageWindowPlace(row.widget, work, size);
        EXPECT_EQ(place.x, row.place.x);
        EXPECT_EQ(place.y, row.place.y);
    }
}

// ---- the window of a running widget ----

BOOL CALLBACK collectUsageWindow(HWND window, LPARAM list) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) == kUsageWindowClass)
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> usageWindows() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), collectUsageWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool classRegistered() {
    WNDCLASSA windowClass;
    return GetClassInfoA(rigInstance(), kUsageWindowClass, &windowClass) != FALSE;
}

void pump(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(5);
    }
}

const char kEth[] = "{00000002-0000-0000-0000-4E6574446576}";

std::string ledgerPath() {
    const std::string path = rigSettingsPath();
    return path.substr(0, path.size() - 2) + "usage";
}

// The local date the widget reads while a test sets one.
SYSTEMTIME fixedDate;
void(WINAPI* realGetLocalTime)(LPSYSTEMTIME);
void WINAPI fixedLocalTime(LPSYSTEMTIME time) {
    *time = fixedDate;
}

class UsageWindowTest : public RigTest {
  protected:
    void SetUp() override {
        DeleteFileA(ledgerPath().c_str());
        setRows(1000, 2000);
    }
    void TearDown() override {
        endPlugin();
        if (realGetLocalTime) {
            void(WINAPI * fixed)(LPSYSTEMTIME);
            hookImport(fixed, "kernel32.dll", "GetLocalTime", realGetLocalTime);
            realGetLocalTime = nullptr;
        }
    }
    // Noon of that date, from now until the test ends.
    void setDate(WORD year, WORD month, WORD day) {
        fixedDate = SYSTEMTIME{year, month, 0, day, 12, 0, 0, 0};
        if (!realGetLocalTime)
            hookImport(realGetLocalTime, "kernel32.dll", "GetLocalTime", &fixedLocalTime);
        ASSERT_NE(realGetLocalTime, nullptr);
    }

    void setRows(std::uint64_t in, std::uint64_t out) {
        if (!GetModuleHandleA("Iphlpapi.dll"))
            LoadLibraryA("Iphlpapi.dll");
        FakeIfRow rows[] = {fakeWideRow(1, 5000, 6000, "lo"), fakeWideRow(2, in, out, "eth0")};
        fakeIfTableSetRows()(rows, 2);
    }
    void start(const std::string& settings) {
        rigWriteSettings(settings);
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
        widget = moduleHandles().widget;
    }
    // The window's picture as it would be painted now.
    void print(Canvas& canvas) {
        SendMessageA(usageWindow(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()),
                     PRF_CLIENT);
    }
    HWND widget = nullptr;
};

TEST_F(UsageWindowTest, EachWayOpensOneWindowAndEachWayClosesIt) {
    struct Way {
        const char* what;
        void (*act)(HWND widget, HWND usage);
    };
    const Way opens[] = {
        {"menu",
         [](HWND window, HWND) {
             SendMessageA(window, WM_RBUTTONUP, 0, 0);
             EXPECT_TRUE(hostChooseMenuItem("Usage"));
         }},
        {"broadcast", [](HWND window, HWND) { rigBroadcast(window, "@Velnor.usage"); }},
    };
    const Way closes[] = {
        opens[0],
        opens[1],
        {"Escape", [](HWND, HWND usage) { SendMessageA(usage, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"click", [](HWND, HWND usage) { SendMessageA(usage, WM_LBUTTONDOWN, 0, 0); }},
        {"Alt+F4", [](HWND, HWND usage) { SendMessageA(usage, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    start("Velnor.period: month\nVelnor.x: 900\nVelnor.y: 20\n");
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(widget, MONITOR_DEFAULTTONEAREST), &monitor);
    for (const Way& open : opens)
        for (const Way& close : closes) {
            SCOPED_TRACE(testing::Message()
                         << "opened by " << open.what << ", closed by " << close.what);
            open.act(widget, nullptr);
            const std::vector<HWND> shown = usageWindows();
            ASSERT_EQ(shown.size(), 1u);
            HWND usage = shown[0];
            EXPECT_EQ(usage, usageWindow());
            char title[64] = "";
            GetWindowTextA(usage, title, sizeof title);
            EXPECT_STREQ(title, "Velnor usage");
            EXPECT_TRUE(IsWindowVisible(usage));
            EXPECT_TRUE(GetWindowLongA(usage, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
            EXPECT_FALSE(GetWindowLongA(usage, GWL_EXSTYLE) & WS_EX_APPWINDOW);
            EXPECT_EQ(GetWindow(usage, GW_OWNER), widget);
            RECT rect{}, inside{};
            GetWindowRect(usage, &rect);
            IntersectRect(&inside, &rect, &monitor.rcWork);
            EXPECT_TRUE(EqualRect(&inside, &rect)) << "wholly on the widget's monitor";
            close.act(widget, usage);
            EXPECT_TRUE(usageWindows().empty());
            EXPECT_FALSE(IsWindow(usage));
            EXPECT_FALSE(classRegistered());
        }
}

// A right click closes the window with its release: closed at the press, it left the release to
// whatever lay beneath, here the widget, whose menu opened.
TEST_F(UsageWindowTest, ARightClickLeavesNothingBeneathItTheRelease) {
    // No room beside the widget on either side: the window covers part of it.
    const int screen = GetSystemMetrics(SM_CXSCREEN);
    start("Velnor.period: month\nVelnor.x: 100\nVelnor.y: 100\nVelnor.height: 100\nVelnor.width: " +
          std::to_string(screen - 200) + "\n");
    rigBroadcast(widget, "@Velnor.usage");
    RECT usage{}, below{};
    GetWindowRect(usageWindow(), &usage);
    GetWindowRect(widget, &below);
    const POINT at{(below.left + usage.right) / 2, below.bottom - 10};
    ASSERT_EQ(WindowFromPoint(at), usageWindow());
    const std::size_t menus = rigLogLines("ShowMenu").size();
    for (const DWORD press : {DWORD{0}, DWORD{MOUSEEVENTF_RIGHTDOWN}, DWORD{MOUSEEVENTF_RIGHTUP}}) {
        sendMouse(press, at);
        pump(150);
    }
    pointAt({0, GetSystemMetrics(SM_CYSCREEN) - 1});
    EXPECT_EQ(usageWindow(), nullptr);
    EXPECT_EQ(rigLogLines("ShowMenu").size(), menus) << "the widget's menu opened";
}

TEST_F(UsageWindowTest, ThePictureHoldsThePeriodAndTodayFollowsEveryTick) {
    setDate(2026, 3, 2); // no midnight between the ticks
    start("Velnor.period: day\nVelnor.adapter: 1\nVelnor.timer: 40\nVelnor.price: 2\n"
          "Velnor.receiveGraph.color: #00FF00\nVelnor.receiveGraph.background: #000000\n");
    rigBroadcast(widget, "@Velnor.usage");
    ASSERT_NE(usageWindow(), nullptr);
    std::int32_t first = 0, last = 0, today = 0;
    UsageKeeper::billingPeriod(first, last, today);
    const int column = kUsagePlot.left + (today - first) * kUsageColumn + 1;
    Canvas before(kUsageWidth, kUsageHeight);
    print(before);
    EXPECT_EQ(before.at(column, kUsagePlot.bottom - 1), RGB(0, 0, 0)) << "nothing moved yet";

    setRows(1000 + 3 * 1048576, 2000 + 1048576);
    pump(400); // the widget's own timer ticks
    Canvas after(kUsageWidth, kUsageHeight);
    print(after);
    EXPECT_EQ(after.at(column, kUsagePlot.top), RGB(0, 255, 0)) << "today's column is full";

    UsagePicture picture{};
    gatherUsagePicture(picture);
    EXPECT_EQ(picture.days, last - first + 1);
    EXPECT_EQ(picture.today, today - first);
    EXPECT_EQ(picture.bytes[picture.today][Channel::Receive], 3 * 1048576);
    EXPECT_EQ(picture.bytes[picture.today][Channel::Send], 1048576);
    char text[kTextSize];
    EXPECT_STREQ(picture.scale, formatByteCount(3 * 1048576, text, kTextSize));
    EXPECT_STREQ(picture.description, "eth0");
    EXPECT_STREQ(picture.undated, "") << "no month line";
    const std::pair<std::int32_t, const char*> dates[] = {{first, picture.first},
                                                          {last, picture.last}};
    for (const auto& date : dates) {
        const CivilDate civil = civilDate(date.first);
        std::snprintf(text, kTextSize, "%04d-%02d-%02d", civil.year, civil.month, civil.day);
        EXPECT_STREQ(date.second, text);
    }
    // Received, sent, both, and their cost at 2 per 1024 bytes.
    const std::int64_t bytes[] = {3 * 1048576, 1048576, 4 * 1048576};
    for (int kind = 0; kind < LabelKind::Cost; ++kind)
        EXPECT_STREQ(picture.totals[kind], formatByteCount(bytes[kind], text, kTextSize));
    EXPECT_STREQ(picture.totals[LabelKind::Cost], formatCost(8192.0, text, kTextSize));
}

TEST_F(UsageWindowTest, AReloadKeepsItWithTheNewSettingsAndTheStopClosesIt) {
    start("Velnor.period: month\nVelnor.receiveGraph.background: #000000\n");
    rigBroadcast(widget, "@Velnor.usage");
    HWND usage = usageWindow();
    ASSERT_NE(usage, nullptr);
    rigWriteSettings("Velnor.period: month\nVelnor.receiveGraph.background: #0000FF\n");
    rigBroadcast(widget, "@Velnor.settings.read");
    EXPECT_EQ(usageWindow(), usage);
    Canvas canvas(kUsageWidth, kUsageHeight);
    print(canvas);
    EXPECT_EQ(canvas.at(kUsagePlot.left, kUsagePlot.top), RGB(0, 0, 255));

    endPlugin();
    EXPECT_FALSE(IsWindow(usage));
    EXPECT_EQ(usageWindow(), nullptr);
    EXPECT_FALSE(classRegistered());

    // Without a ledger after a reload there is nothing to show.
    start("Velnor.period: day\n");
    rigBroadcast(widget, "@Velnor.usage");
    ASSERT_NE(usageWindow(), nullptr);
    rigWriteSettings("Velnor.period: boot\n");
    rigBroadcast(widget, "@Velnor.settings.read");
    EXPECT_TRUE(usageWindows().empty());
}

// Typed into the ledger, a month line counts toward the billing period that holds its first day,
// in the labels and the window alike, and never toward today, even on the 1st.
TEST_F(UsageWindowTest, AMonthLineCountsInThePeriodAndNeverToday) {
    setDate(2026, 3, 1);
    ASSERT_TRUE(writeFile(ledgerPath(), std::string("2026-03\t") + kEth + "\t5000\t6000\n" +
                                            "2026-03-01\t" + kEth + "\t100\t200\n"));
    start("Velnor.period: day\nVelnor.adapter: 1\n");
    UsageFigures today = UsageKeeper::figures(1);
    EXPECT_EQ(today.bytes[Channel::Receive], 100);
    EXPECT_EQ(today.bytes[Channel::Send], 200);
    // The tick's figures, which the cap watches, agree.
    std::int32_t first = 0;
    EXPECT_EQ(UsageKeeper::periodBytes(1, first), 300);
    UsagePicture picture{};
    gatherUsagePicture(picture);
    EXPECT_EQ(picture.bytes[0][Channel::Receive], 100);
    char text[kTextSize];
    EXPECT_STREQ(picture.totals[LabelKind::Receive], formatByteCount(5100, text, kTextSize));
    EXPECT_STREQ(picture.totals[LabelKind::Send], formatByteCount(6200, text, kTextSize));
    EXPECT_EQ(std::string(picture.undated), std::string("totals include ") +
                                                formatByteCount(11000, text, kTextSize) +
                                                " not on a day");

    rigWriteSettings("Velnor.period: month\nVelnor.adapter: 1\n");
    rigBroadcast(widget, "@Velnor.settings.read");
    const UsageFigures period = UsageKeeper::figures(1);
    EXPECT_EQ(period.bytes[Channel::Receive], 5100);
    EXPECT_EQ(period.bytes[Channel::Send], 6200);
    EXPECT_EQ(UsageKeeper::periodBytes(1, first), 11300);
}

TEST_F(UsageWindowTest, TheTitleFollowsTheInterfaceThatTakesTheShownPosition) {
    start("Velnor.period: day\nVelnor.adapter: 1\n");
    rigBroadcast(widget, "@Velnor.usage");
    UsagePicture picture{};
    gatherUsagePicture(picture);
    EXPECT_STREQ(picture.description, "eth0");
    FakeIfRow rows[] = {fakeWideRow(1, 5000, 6000, "lo"), fakeWideRow(3, 0, 0, "wlan"),
                        fakeWideRow(2, 1000, 2000, "eth0")};
    fakeIfTableSetRows()(rows, 3);
    TrafficSampler::tick();
    UsageKeeper::count();
    gatherUsagePicture(picture);
    EXPECT_STREQ(picture.description, "wlan");
}

// A hand-typed day may hold 2^63 - 1 bytes each way: the period's sums, "both" and the cost stay
// at the largest figure instead of turning negative.
TEST_F(UsageWindowTest, TotalsNearTwoToThe63AreHeldAtTheLargestFigure) {
    setDate(2026, 3, 2);
    const std::string most = "\t9223372036854775807\t9223372036854775807\n";
    ASSERT_TRUE(writeFile(ledgerPath(), std::string("2026-03-01\t") + kEth + most + "2026-03-02\t" +
                                            kEth + most));
    start("Velnor.period: month\nVelnor.adapter: 1\nVelnor.price: 2\n");
    UsagePicture picture{};
    gatherUsagePicture(picture);
    char text[kTextSize];
    for (int kind = 0; kind < LabelKind::Cost; ++kind)
        EXPECT_STREQ(picture.totals[kind], formatByteCount(INT64_MAX, text, kTextSize));
    EXPECT_STREQ(picture.totals[LabelKind::Cost],
                 formatCost(static_cast<double>(INT64_MAX) / 1024.0 * 2.0, text, kTextSize));
}

} // namespace
