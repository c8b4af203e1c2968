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

// The calls the picture makes, in its order, with the bars' heights and the boxes worked out.
struct UsageFloor {
    int heights[kUsageDaysMax][Channel::Count];
    RECT dates, captions[LabelKind::Count], values[LabelKind::Count];
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
    return floor;
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
    ScopedSelect font(dc, picture.font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, picture.text);
    RECT box = kUsageDescriptionBox;
    DrawTextA(dc, picture.description, -1, &box, flags);
    box = kUsageScaleBox;
    DrawTextA(dc, picture.scale, -1, &box, flags);
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
        std::printf("%-44s not measured\n", kWhat);
        return false;
    }
    const UsagePicture picture = samplePicture();
    const UsageFloor floor = preparedFloor(picture);
    const Pair pair = measure(
        rounds, 5 * scale, [&] { paintUsagePicture(window.dc(), picture); },
        [&] { drawFloor(floorCanvas.dc(), picture, floor); });
    printRatio(kWhat, "the same GDI calls", pair, 1.2);

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
