#include "widget/painter.h"

#include <cmath>
#include <cstring>

#include "gdi.h"
#include "handles.h"
#include "shell.h"
#include "settings/settings.h"
#include "traffic/format.h"
#include "widget/cap_watch.h"
#include "widget/figures.h"

namespace {

// The kept picture: its bitmap stays selected into its own memory context for as long as it
// lives, so a repaint is one copy.
struct PainterState {
    KeptPicture cached;
};
PainterState painter;

constexpr UINT kCaptionFlags = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
constexpr int kTextBoxWidth = 100;
constexpr int kTextBoxHeight = 20;
// The device coordinates that the painter places anything at, either way from 0 (what GDI takes
// on every platform).
constexpr std::int32_t kDeviceRange = (std::int32_t{1} << 27) - 1;

COLORREF styleTextColor(const DrawingResources& resources) {
    COLORREF color;
    std::memcpy(&color, resources.styleCopy + kStyleTextColorOffset, sizeof color);
    return color;
}

// Height of the bar of one history value; 0 for anything not drawable (maximum 0, a negative
// value across a counter wrap). The maximum and above fill the graph's height: height / maximum x
// maximum can round to just under it, and truncation would lose the top pixel.
int barHeight(std::int64_t value, std::int64_t maximum, double scale, int height) {
    const double bar = static_cast<double>(value) * scale;
    if (!std::isfinite(bar) || bar < 1.0)
        return 0;
    if (value >= maximum || bar >= static_cast<double>(height))
        return height;
    return static_cast<int>(bar);
}

// Settings may place a graph or label anywhere in 32 bits. Sums are taken in 64 bits and held to
// the range of device coordinates, so a far-off element stays off the picture instead of wrapping
// round onto it.
int pixel(std::int64_t value) {
    return static_cast<int>(value < -kDeviceRange  ? -kDeviceRange
                            : value > kDeviceRange ? kDeviceRange
                                                   : value);
}

RECT box(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    return RECT{pixel(left), pixel(top), pixel(right), pixel(bottom)};
}

// A pen or brush that could not be made is drawn with the context's own one in its colour: a
// stock object, which always exists, rather than whatever the context holds.
HGDIOBJ penOr(HDC dc, HPEN pen, COLORREF color) {
    if (pen)
        return pen;
    SetDCPenColor(dc, color);
    return GetStockObject(DC_PEN);
}

HBRUSH brushOr(HDC dc, HBRUSH brush, COLORREF color) {
    if (brush)
        return brush;
    SetDCBrushColor(dc, color);
    return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

void drawText(HDC dc, const char* text, RECT box, UINT flags) {
    // An empty or inverted box shows nothing; say so here rather than rely on how the platform
    // clips an inverted rectangle.
    if (box.right <= box.left || box.bottom <= box.top)
        return;
    DrawTextA(dc, text, -1, &box, flags);
}

void drawGraph(HDC dc, const Graph& graph, const DrawingResources& resources, std::int64_t rate) {
    const std::int64_t x = graph.x, y = graph.y, w = graph.width;
    const int h = graph.height;
    ScopedSelect brush(dc, brushOr(dc, graph.brush, graph.background));
    ScopedSelect frame(dc, penOr(dc, resources.framePen, RGB(0, 0, 0)));
    Rectangle(dc, pixel(x - 1), pixel(y - 1), pixel(x + w + 1), pixel(y + h + 1));
    {
        ScopedSelect bars(dc, penOr(dc, graph.pen, graph.color));
        const double scale = static_cast<double>(h) / static_cast<double>(graph.maximum);
        // The kept columns are the newest, at the graph's right edge.
        const std::int64_t columns = historyColumns(graph), first = x + w - columns;
        for (std::int64_t j = 0; graph.history && j < columns; ++j) {
            const int bar = barHeight(graph.history[j], graph.maximum, scale, h);
            if (bar > 0)
                Rectangle(dc, pixel(first + j), pixel(y + h - bar), pixel(first + j + 1),
                          pixel(y + h));
        }
    }
    char caption[kTextSize];
    rateCaption(rate, caption, sizeof caption);
    drawText(dc, caption, box(x, y, x + w, y + h), kCaptionFlags);
}

// `marked`, unless CLR_INVALID, is the value's colour in place of the style's `text`.
void drawLabel(HDC dc, int kind, const Label& label, const LabelFigures& figures, COLORREF marked,
               COLORREF text) {
    if (label.icon)
        DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(label.icon), 0, label.left,
                   label.y, 0, 0, DST_ICON);
    const std::int64_t left = label.left, right = label.right,
                       top = std::int64_t{label.y} + label.tab_y;
    drawText(dc, label.caption,
             box(left + label.tab_x, top, left + kTextBoxWidth, top + kTextBoxHeight), 0);
    char value[kTextSize];
    labelValue(kind, figures, value, sizeof value);
    if (marked != CLR_INVALID)
        SetTextColor(dc, marked);
    drawText(dc, value, box(right - kTextBoxWidth, top, right, top + kTextBoxHeight), DT_RIGHT);
    if (marked != CLR_INVALID)
        SetTextColor(dc, text);
}

// The both and cost values in the warning or the over colour once the period's bytes reach the
// limit's thresholds; every other text keeps the style's colour.
COLORREF capColor(int kind, const WidgetSettings& settings, const LabelFigures& figures) {
    if ((kind != LabelKind::Both && kind != LabelKind::Cost) || figures.capLevel == CapLevel::Below)
        return CLR_INVALID;
    return figures.capLevel == CapLevel::Over ? settings.capOverColor : settings.capWarnColor;
}

} // namespace

void paintPicture(HDC dc, const WidgetSettings& settings, const DrawingResources& resources,
                  const TrafficReadings& readings, const LabelFigures& figures) {
    RECT whole{0, 0, settings.width, settings.height};
    if (settings.sctEnabled)
        FillRect(dc, &whole, brushOr(dc, resources.sctBrush, settings.sctColor));
    else
        MakeStyleGradient(dc, &whole, resources.styleCopy, true);

    ScopedSelect font(dc, resources.styleFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, styleTextColor(resources));
    for (int channel = 0; channel < Channel::Count; ++channel)
        drawGraph(dc, settings.graphs[channel], resources, readings.rates[channel]);
    for (int kind = 0; kind < LabelKind::Count; ++kind)
        drawLabel(dc, kind, settings.labels[kind], figures, capColor(kind, settings, figures),
                  styleTextColor(resources));
}

namespace {

// Draws the picture into the kept one; false when that cannot be had, and the next paint tries
// again.
bool makeCachedPicture(HWND window) {
    const WidgetSettings& settings = widgetSettings();
    if (settings.width <= 0 || settings.height <= 0 ||
        !makeKeptPicture(painter.cached, window, settings.width, settings.height))
        return false;
    const TrafficReadings& readings = TrafficSampler::readings();
    LabelFigures figures = labelFigures(settings, readings);
    figures.capLevel = capLevel(capLimitInForce(), capUsed(figures));
    paintPicture(painter.cached.dc, settings, drawingResources(), readings, figures);
    return true;
}

// Shared by WM_PAINT and WM_PRINTCLIENT: `area` of the picture into `dc`. Without a picture the
// target keeps what it shows.
void paintWidget(HWND window, HDC dc, const RECT& area) {
    if (!painter.cached.dc && !makeCachedPicture(window))
        return;
    copyKeptPicture(painter.cached, dc, area);
}

} // namespace

void onPaint(HWND window) {
    paintMessage(window, paintWidget);
}

void onPrintClient(HWND window, HDC dc) {
    printClientMessage(window, dc, paintWidget);
}

void invalidateWidget() {
    releaseCachedPicture();
    if (moduleHandles().widget)
        InvalidateRect(moduleHandles().widget, nullptr, FALSE);
}

void releaseCachedPicture() {
    releaseKeptPicture(painter.cached);
}

HBITMAP cachedPicture() {
    return painter.cached.bitmap;
}
