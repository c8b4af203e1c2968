#include "widget/usage_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "gdi.h"
#include "handles.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "usage/calendar.h"
#include "usage/keeper.h"
#include "usage/ledger.h"
#include "widget/cap_watch.h"
#include "widget/figures.h"
#include "widget/shown_interface.h"

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS;
// A tool window has no taskbar button.
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
constexpr int kGap = 4; // between the widget and the window
constexpr int kTotalsTop = 186, kTotalsRow = 19, kTotalsColumn = 190, kCaptionWidth = 64;
constexpr const char* kTotalCaptions[LabelKind::Count] = {"received", "sent", "both", "cost"};
constexpr UINT kLineFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

// The window and its kept picture: the bitmap stays selected into its memory context for as long
// as the window lives; `stale` says the next paint draws it anew.
struct UsageWindowState {
    HWND window;
    KeptPicture kept;
    bool stale;
    int described;                   // the position whose description is held; -1 for none
    std::int32_t describedInterface; // the ledger's interface that was there
    char description[InterfaceTable::kDescriptionMax + 1];
    UsagePicture picture;
};
UsageWindowState usage{nullptr, {}, false, -1, -1, {}, {}};

void fill(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    SetDCBrushColor(dc, color);
    PatBlt(dc, left, top, right - left, bottom - top, PATCOPY);
}

void drawLine(HDC dc, const char* text, RECT box, UINT align) {
    DrawTextA(dc, text, -1, &box, kLineFlags | align);
}

void formatDate(std::int32_t day, char* out) {
    const CivilDate date = civilDate(day);
    std::snprintf(out, kDateSize, "%04d-%02d-%02d", date.year, date.month, date.day);
}

// The held description, read from the table only when the selection changed or another interface
// took its position: every read queries the table.
const char* description(int position) {
    const std::int32_t shown = UsageKeeper::shownInterface(position);
    if (position != usage.described || shown != usage.describedInterface) {
        describeInterface(position, usage.description, sizeof usage.description);
        usage.described = position;
        usage.describedInterface = shown;
    }
    return usage.description;
}

// With a limit: its line, the allowance a day and the estimate's daily average, for the period
// the limit is of (today with day, whose allowance is the limit itself).
void gatherCapMarks(UsagePicture& picture, const std::int64_t* sums) {
    const CapLimit& limit = capLimitInForce();
    picture.capped = limit.bytes > 0;
    if (!picture.capped)
        return;
    picture.capColor = widgetSettings().capWarnColor;
    const CapClock clock = capClockNow();
    const std::int64_t* today = picture.bytes[std::clamp(picture.today, 0, picture.days - 1)];
    const std::int64_t used = clock.first == clock.last
                                  ? saturatingAdd(today[Channel::Receive], today[Channel::Send])
                                  : saturatingAdd(sums[Channel::Receive], sums[Channel::Send]);
    const CapFigures figures = capFigures(limit, used, clock);
    formatCapSummary(limit, figures, picture.capLine, sizeof picture.capLine);
    formatCapSummary(limit, figures, picture.capBrief, sizeof picture.capBrief, true);
    const std::int64_t days = std::int64_t{clock.last} - clock.first + 1;
    picture.allowance = limit.bytes / days;
    picture.average = figures.estimated ? figures.estimate / days : 0;
    formatByteCount(picture.allowance, picture.allowanceText, kTextSize);
    std::strncat(picture.allowanceText, " a day",
                 sizeof picture.allowanceText - std::strlen(picture.allowanceText) - 1);
    picture.largest = std::max({picture.largest, picture.allowance, picture.average});
}

} // namespace

RECT usageTotalCaptionBox(int kind) {
    const int left = kUsagePlot.left + (kind % 2) * kTotalsColumn;
    const int top = kTotalsTop + (kind / 2) * kTotalsRow;
    return RECT{left, top, left + kCaptionWidth, top + kTotalsRow - 1};
}

RECT usageTotalValueBox(int kind) {
    RECT box = usageTotalCaptionBox(kind);
    box.left = box.right;
    box.right = box.left + kTotalsColumn - kCaptionWidth - 10;
    return box;
}

int usageBarHeight(std::int64_t bytes, std::int64_t largest) {
    if (bytes <= 0 || largest <= 0)
        return 0;
    const int height = kUsagePlot.bottom - kUsagePlot.top;
    const double bar =
        static_cast<double>(bytes) * static_cast<double>(height) / static_cast<double>(largest);
    return bar >= height ? height : std::max(1, static_cast<int>(bar));
}

int usageAllowanceY(const UsagePicture& picture) {
    return kUsagePlot.bottom - usageBarHeight(picture.allowance, picture.largest);
}

RECT usageAllowanceBox(const UsagePicture& picture) {
    const int y = usageAllowanceY(picture);
    const int right = kUsagePlot.left + std::clamp(picture.days, 1, kUsageDaysMax) * kUsageColumn;
    constexpr int kHeight = 16;
    return y - kHeight >= kUsagePlot.top ? RECT{kUsagePlot.left, y - kHeight, right - 2, y}
                                         : RECT{kUsagePlot.left, y + 1, right - 2, y + 1 + kHeight};
}

namespace {

// The outlined bars of the days after today, and the allowance's line, over the bars.
void paintCapMarks(HDC dc, const UsagePicture& picture, int days) {
    const int average = usageBarHeight(picture.average, picture.largest);
    for (int day = picture.today + 1; average > 0 && day < days; ++day) {
        const int left = kUsagePlot.left + day * kUsageColumn + 1, right = left + 2 * kUsageBar;
        const int top = kUsagePlot.bottom - average;
        fill(dc, left, top, right, top + 1, picture.bars[Channel::Receive]);
        fill(dc, left, top, left + 1, kUsagePlot.bottom, picture.bars[Channel::Receive]);
        fill(dc, right - 1, top, right, kUsagePlot.bottom, picture.bars[Channel::Receive]);
    }
    const int y = usageAllowanceY(picture);
    fill(dc, kUsagePlot.left, y, kUsagePlot.left + days * kUsageColumn, y + 1, picture.capColor);
}

} // namespace

void paintUsagePicture(HDC dc, const UsagePicture& picture) {
    RECT whole{0, 0, kUsageWidth, kUsageHeight};
    MakeStyleGradient(dc, &whole, picture.style, true);
    ScopedSelect brush(dc, GetStockObject(DC_BRUSH));
    const int days = std::clamp(picture.days, 1, kUsageDaysMax);
    const int right = kUsagePlot.left + days * kUsageColumn;
    fill(dc, kUsagePlot.left, kUsagePlot.top, right, kUsagePlot.bottom, picture.plot);
    for (int day = 0; day < days && day <= picture.today; ++day) {
        const int x = kUsagePlot.left + day * kUsageColumn + 1;
        for (int channel = 0; channel < Channel::Count; ++channel) {
            const int bar = usageBarHeight(picture.bytes[day][channel], picture.largest);
            const int left = x + channel * kUsageBar;
            if (bar > 0)
                fill(dc, left, kUsagePlot.bottom - bar, left + kUsageBar, kUsagePlot.bottom,
                     picture.bars[channel]);
        }
    }
    if (picture.capped)
        paintCapMarks(dc, picture, days);
    ScopedSelect font(dc, picture.font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, picture.text);
    drawLine(dc, picture.description, kUsageDescriptionBox, DT_LEFT);
    if (picture.capped) {
        RECT line = kUsageScaleBox;
        line.right -= kUsageScaleWidth;
        SIZE extent{};
        GetTextExtentPoint32A(dc, picture.capLine, static_cast<int>(std::strlen(picture.capLine)),
                              &extent);
        drawLine(dc, extent.cx > line.right - line.left ? picture.capBrief : picture.capLine, line,
                 DT_LEFT);
        drawLine(dc, picture.scale, kUsageScaleBox, DT_RIGHT);
        SetTextColor(dc, picture.capColor);
        drawLine(dc, picture.allowanceText, usageAllowanceBox(picture), DT_RIGHT);
        SetTextColor(dc, picture.text);
    } else {
        drawLine(dc, picture.scale, kUsageScaleBox, DT_LEFT);
    }
    // Right of the scale; with a limit, whose line fills that row, between the dates.
    if (picture.undated[0] != '\0')
        drawLine(dc, picture.undated,
                 picture.capped ? RECT{kUsagePlot.left, kUsageDatesTop, right, kUsageDatesBottom}
                                : kUsageScaleBox,
                 picture.capped ? DT_CENTER : DT_RIGHT);
    drawLine(dc, picture.first, RECT{kUsagePlot.left, kUsageDatesTop, right, kUsageDatesBottom},
             DT_LEFT);
    drawLine(dc, picture.last, RECT{kUsagePlot.left, kUsageDatesTop, right, kUsageDatesBottom},
             DT_RIGHT);
    for (int kind = 0; kind < LabelKind::Count; ++kind) {
        drawLine(dc, kTotalCaptions[kind], usageTotalCaptionBox(kind), DT_LEFT);
        drawLine(dc, picture.totals[kind], usageTotalValueBox(kind), DT_RIGHT);
    }
}

void gatherUsagePicture(UsagePicture& picture) {
    const WidgetSettings& settings = widgetSettings();
    const DrawingResources& resources = drawingResources();
    picture.style = resources.styleCopy;
    picture.font = resources.styleFont;
    std::memcpy(&picture.text, resources.styleCopy + kStyleTextColorOffset, sizeof picture.text);
    picture.plot = settings.graphs[Channel::Receive].background;
    for (int channel = 0; channel < Channel::Count; ++channel)
        picture.bars[channel] = settings.graphs[channel].color;
    std::int32_t first = 0, last = 0, today = 0;
    UsageKeeper::billingPeriod(first, last, today);
    picture.days = std::clamp(last - first + 1, 1, kUsageDaysMax);
    picture.today = today - first;
    picture.largest = 0;
    // Days after today stay empty, whatever a clock set back left in the ledger. The period's
    // month lines count in its totals, as in the labels', but in no column.
    std::int64_t sums[Channel::Count];
    shownDaysBytes(settings, first, std::clamp(picture.today + 1, 0, picture.days), picture.bytes,
                   sums);
    const std::int64_t undated = saturatingAdd(sums[Channel::Receive], sums[Channel::Send]);
    for (int day = 0; day < picture.days; ++day) {
        std::int64_t* bytes = picture.bytes[day];
        if (day > picture.today)
            bytes[Channel::Receive] = bytes[Channel::Send] = 0;
        for (int channel = 0; channel < Channel::Count; ++channel) {
            sums[channel] = saturatingAdd(sums[channel], bytes[channel]);
            picture.largest = std::max(picture.largest, bytes[channel]);
        }
    }
    gatherCapMarks(picture, sums);
    formatByteCount(picture.largest, picture.scale, sizeof picture.scale);
    picture.undated[0] = '\0';
    if (undated > 0) {
        char figure[kTextSize];
        std::snprintf(picture.undated, sizeof picture.undated, "totals include %s not on a day",
                      formatByteCount(undated, figure, sizeof figure));
    }
    formatDate(first, picture.first);
    formatDate(first + picture.days - 1, picture.last);
    if (describeChosen(settings, picture.description, sizeof picture.description))
        picture.description[std::strcspn(picture.description, "\r")] = '\0';
    else
        std::snprintf(picture.description, sizeof picture.description, "%s",
                      description(settings.adapter));
    const LabelFigures figures =
        pricedFigures(sums[Channel::Receive], sums[Channel::Send], settings.price);
    for (int kind = 0; kind < LabelKind::Count; ++kind)
        labelValue(kind, figures, picture.totals[kind], kTextSize);
}

POINT usageWindowPlace(const RECT& widget, const RECT& work, SIZE size) {
    long long x = static_cast<long long>(widget.right) + kGap;
    if (x + size.cx > work.right)
        x = static_cast<long long>(widget.left) - kGap - size.cx;
    x = std::max<long long>(std::min<long long>(x, work.right - size.cx), work.left);
    const long long y = std::max<long long>(
        std::min<long long>(widget.top, static_cast<long long>(work.bottom) - size.cy), work.top);
    return POINT{static_cast<LONG>(x), static_cast<LONG>(y)};
}

namespace {

// Shared by WM_PAINT and WM_PRINTCLIENT. Without a picture the target keeps what it shows.
void paintWindow(HWND window, HDC dc, const RECT& area) {
    if (!usage.kept.dc) {
        if (!makeKeptPicture(usage.kept, window, kUsageWidth, kUsageHeight))
            return;
        usage.stale = true;
    }
    if (usage.stale) {
        gatherUsagePicture(usage.picture);
        paintUsagePicture(usage.kept.dc, usage.picture);
        usage.stale = false;
    }
    copyKeptPicture(usage.kept, dc, area);
}

void onPaint(HWND window) {
    paintMessage(window, paintWindow);
}

void onPrintClient(HWND window, HDC dc) {
    printClientMessage(window, dc, paintWindow);
}

void onKeyDown(WPARAM key) {
    if (key == VK_ESCAPE)
        closeUsageWindow();
}

void onDestroy() {
    releaseKeptPicture(usage.kept);
    usage.window = nullptr;
}

LRESULT CALLBACK usageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        onPaint(window);
        return 0;
    case WM_PRINTCLIENT:
        onPrintClient(window, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1; // the picture covers the whole client area
    case WM_KEYDOWN:
        onKeyDown(wParam);
        return 0;
    case WM_LBUTTONDOWN:
    // The right button at its release: closed at the press, the window would leave the release
    // to whatever lies beneath it, whose menu it opens (the widget's, the desktop's).
    case WM_RBUTTONUP:
    // Alt+F4 too closes it through the one path that lets go of the class, or the next open
    // could not register it again.
    case WM_CLOSE:
        closeUsageWindow();
        return 0;
    case WM_DESTROY:
        onDestroy();
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The work area of the widget's monitor.
RECT workArea(HWND widget) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromWindow(widget, MONITOR_DEFAULTTONEAREST), &monitor))
        return monitor.rcWork;
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void openUsageWindow() {
    HWND widget = moduleHandles().widget;
    if (!UsageKeeper::keeping() || !widget)
        return;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = usageWindowProc;
    windowClass.hInstance = moduleHandles().instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kUsageWindowClass;
    if (!RegisterClassA(&windowClass))
        return;
    RECT frame{0, 0, kUsageWidth, kUsageHeight};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    const SIZE size{frame.right - frame.left, frame.bottom - frame.top};
    RECT beside{};
    GetWindowRect(widget, &beside);
    const POINT place = usageWindowPlace(beside, workArea(widget), size);
    usage.described = -1;
    // Owned by the widget: it stays above it and never outlives it.
    usage.window =
        CreateWindowExA(kExStyle, kUsageWindowClass, kUsageWindowTitle, kStyle, place.x, place.y,
                        size.cx, size.cy, widget, nullptr, moduleHandles().instance, nullptr);
    if (!usage.window) {
        UnregisterClassA(kUsageWindowClass, moduleHandles().instance);
        return;
    }
    ShowWindow(usage.window, SW_SHOW);
    // Active, so that Escape reaches it; painted now, so the picture is there at once.
    SetForegroundWindow(usage.window);
    SetFocus(usage.window);
    UpdateWindow(usage.window);
}

} // namespace

void toggleUsageWindow() {
    if (usage.window)
        closeUsageWindow();
    else
        openUsageWindow();
}

void refreshUsageWindow() {
    if (!usage.window)
        return;
    if (!UsageKeeper::keeping()) {
        closeUsageWindow();
        return;
    }
    usage.stale = true;
    InvalidateRect(usage.window, nullptr, FALSE);
}

void closeUsageWindow() {
    if (usage.window)
        DestroyWindow(usage.window);
    // The destruction released the picture; whatever a failed one left goes too.
    releaseKeptPicture(usage.kept);
    usage.window = nullptr;
    UnregisterClassA(kUsageWindowClass, moduleHandles().instance);
}

HWND usageWindow() {
    return usage.window;
}
