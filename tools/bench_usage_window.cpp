#include "bench_usage_window.h"

#include <cstdio>
#include <cstring>

#include "bench_alloc.h"
#include "bench_timing.h"
#include "gdi.h"
#include "settings/reload.h"
#include "support/canvas.h"
#include "traffic/format.h"
#include "widget/figures.h"
#include "widget/usage_window.h"

extern "C" void __real_MakeStyleGradient(HDC dc, const RECT* rect, const void* style,
                                         bool bordered);

namespace {

constexpr const char* kWhat = "usage window picture, 31 days, 21 with bars";
constexpr const char* kCappedWhat = "usage window picture with a limit";

// The calls the picture makes, in its order, with the bars' heights and the boxes worked out.
struct UsageFloor {
    int heights[kUsageDaysMax][Channel::Count];
    RECT dates, captions[LabelKind::Count], values[LabelKind::Count];
    int average, allowance; // with a limit: the outlined days' height, the line's row
    RECT capLine, figure;
};

UsageFloor preparedFloor(const UsagePicture& picture) {
    UsageFloor floor{};
    for (int day = 0; day < picture.days; ++day)
        for (int channel = 0; channel < Channel::Count; ++channel)
            floor.heights[day][channel] =
                day <= picture.today ? usageBarHeight(picture.bytes[day][channel], picture.largest)
                                     : 0;
    floor.dates = RECT{kUsagePlot.left, kUsageDatesTop,
                       kUsagePlot.left + picture.days * kUsageColumn, kUsageDatesBottom};
    for (int kind = 0; kind < LabelKind::Count; ++kind) {
        floor.captions[kind] = usageTotalCaptionBox(kind);
        floor.values[kind] = usageTotalValueBox(kind);
    }
    floor.average = usageBarHeight(picture.average, picture.largest);
    floor.allowance = usageAllowanceY(picture);
    floor.capLine = kUsageScaleBox;
    floor.capLine.right -= kUsageScaleWidth;
    floor.figure = usageAllowanceBox(picture);
    return floor;
}

void fillFloor(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    SetDCBrushColor(dc, color);
    PatBlt(dc, left, top, right - left, bottom - top, PATCOPY);
}

void drawFloor(HDC dc, const UsagePicture& picture, const UsageFloor& floor) {
    static const char* const captions[] = {"received", "sent", "both", "cost"};
    const UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    RECT whole{0, 0, kUsageWidth, kUsageHeight};
    __real_MakeStyleGradient(dc, &whole, picture.style, true);
    ScopedSelect brush(dc, GetStockObject(DC_BRUSH));
    SetDCBrushColor(dc, picture.plot);
    PatBlt(dc, kUsagePlot.left, kUsagePlot.top, floor.dates.right - kUsagePlot.left,
           kUsagePlot.bottom - kUsagePlot.top, PATCOPY);
    for (int day = 0; day < picture.days; ++day)
        for (int channel = 0; channel < Channel::Count; ++channel) {
            const int height = floor.heights[day][channel];
            if (height == 0)
                continue;
            SetDCBrushColor(dc, picture.bars[channel]);
            PatBlt(dc, kUsagePlot.left + day * kUsageColumn + 1 + channel * kUsageBar,
                   kUsagePlot.bottom - height, kUsageBar, height, PATCOPY);
        }
    for (int day = picture.today + 1; picture.capped && floor.average > 0 && day < picture.days;
         ++day) {
        const int left = kUsagePlot.left + day * kUsageColumn + 1, right = left + 2 * kUsageBar;
        const int top = kUsagePlot.bottom - floor.average;
        fillFloor(dc, left, top, right, top + 1, picture.bars[Channel::Receive]);
        fillFloor(dc, left, top, left + 1, kUsagePlot.bottom, picture.bars[Channel::Receive]);
        fillFloor(dc, right - 1, top, right, kUsagePlot.bottom, picture.bars[Channel::Receive]);
    }
    if (picture.capped)
        fillFloor(dc, kUsagePlot.left, floor.allowance, floor.dates.right, floor.allowance + 1,
                  picture.capColor);
    ScopedSelect font(dc, picture.font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, picture.text);
    RECT box = kUsageDescriptionBox;
    DrawTextA(dc, picture.description, -1, &box, flags);
    if (picture.capped) {
        box = floor.capLine;
        SIZE extent;
        GetTextExtentPoint32A(dc, picture.capLine, static_cast<int>(std::strlen(picture.capLine)),
                              &extent);
        DrawTextA(dc, picture.capLine, -1, &box, flags);
        box = kUsageScaleBox;
        DrawTextA(dc, picture.scale, -1, &box, flags | DT_RIGHT);
        SetTextColor(dc, picture.capColor);
        box = floor.figure;
        DrawTextA(dc, picture.allowanceText, -1, &box, flags | DT_RIGHT);
        SetTextColor(dc, picture.text);
    } else {
        box = kUsageScaleBox;
        DrawTextA(dc, picture.scale, -1, &box, flags);
    }
    box = floor.dates;
    DrawTextA(dc, picture.first, -1, &box, flags);
    box = floor.dates;
    DrawTextA(dc, picture.last, -1, &box, flags | DT_RIGHT);
    for (int kind = 0; kind < LabelKind::Count; ++kind) {
        box = floor.captions[kind];
        DrawTextA(dc, captions[kind], -1, &box, flags);
        box = floor.values[kind];
        DrawTextA(dc, picture.totals[kind], -1, &box, flags | DT_RIGHT);
    }
}

// A busy month, today its 21st day.
UsagePicture samplePicture() {
    UsagePicture picture{};
    const DrawingResources& resources = drawingResources();
    picture.style = resources.styleCopy;
    picture.font = resources.styleFont;
    std::memcpy(&picture.text, resources.styleCopy + kStyleTextColorOffset, sizeof picture.text);
    picture.plot = RGB(0x10, 0x24, 0x10);
    picture.bars[Channel::Receive] = RGB(0x50, 0xD0, 0x50);
    picture.bars[Channel::Send] = RGB(0x50, 0x90, 0xFF);
    picture.days = kUsageDaysMax;
    picture.today = 20;
    std::int64_t sums[Channel::Count] = {0, 0};
    for (int day = 0; day <= picture.today; ++day)
        for (int channel = 0; channel < Channel::Count; ++channel) {
            const std::int64_t bytes = (day * 7919 % 31 + 1) * (channel ? 40000000LL : 90000000LL);
            picture.bytes[day][channel] = bytes;
            sums[channel] += bytes;
            picture.largest = bytes > picture.largest ? bytes : picture.largest;
        }
    formatByteCount(picture.largest, picture.scale, kTextSize);
    std::snprintf(picture.first, kDateSize, "2026-12-01");
    std::snprintf(picture.last, kDateSize, "2026-12-31");
    std::snprintf(picture.description, sizeof picture.description, "eth0");
    const LabelFigures figures = pricedFigures(sums[0], sums[1], 0.00001);
    for (int kind = 0; kind < LabelKind::Count; ++kind)
        labelValue(kind, figures, picture.totals[kind], kTextSize);
    return picture;
}

} // namespace

bool usageWindowFigures(int rounds, int scale) {
    Canvas window(kUsageWidth, kUsageHeight), floorCanvas(kUsageWidth, kUsageHeight);
    if (!window.ok() || !floorCanvas.ok()) {
        std::printf("%-44s not measured\n%-44s not measured\n", kWhat, kCappedWhat);
        return false;
    }
    const UsagePicture picture = samplePicture();
    const UsageFloor floor = preparedFloor(picture);
    const Pair pair = measure(
        rounds, 5 * scale, [&] { paintUsagePicture(window.dc(), picture); },
        [&] { drawFloor(floorCanvas.dc(), picture, floor); });
    printRatio(kWhat, "the same GDI calls", pair, 1.2);

    // The same month held against a limit of 3 GB: the allowance's line and ten outlined days.
    UsagePicture capped = picture;
    capped.capped = true;
    capped.capColor = RGB(0xFF, 0xC0, 0x00);
    capped.allowance = 3221225472LL / kUsageDaysMax;
    capped.average = 110000000;
    std::snprintf(capped.capLine, sizeof capped.capLine,
                  "2.71 GB of cap 3.00 GB (90%%), estimated 4.00 GB");
    std::snprintf(capped.allowanceText, sizeof capped.allowanceText, "99.1 MB a day");
    const UsageFloor cappedFloor = preparedFloor(capped);
    const Pair cappedPair = measure(
        rounds, 5 * scale, [&] { paintUsagePicture(window.dc(), capped); },
        [&] { drawFloor(floorCanvas.dc(), capped, cappedFloor); });
    printRatio(kCappedWhat, "the same GDI calls", cappedPair, 1.2);

    // From the kept ledger, as a repaint after a tick does; the first gathering reads the
    // description.
    UsagePicture gathered{};
    gatherUsagePicture(gathered);
    startCountingAllocations();
    const int pictures = 100;
    for (int i = 0; i < pictures; ++i) {
        gatherUsagePicture(gathered);
        paintUsagePicture(window.dc(), gathered);
    }
    const AllocationTally tally = stopCountingAllocations();
    std::printf("%-44s %10.3f (%ld in %d pictures, gathered and drawn; goal 0); the shell's "
                "functions: %ld\n",
                "  heap allocations per picture", static_cast<double>(tally.widget) / pictures,
                tally.widget, pictures, tally.shell);
    return tally.widget == 0;
}
