#include "widget/tooltip.h"

#include <commctrl.h>

#include <cstddef>
#include <cstdio>

#include "handles.h"
#include "settings/settings.h"
#include "traffic/format.h"
#include "traffic/interface_table.h"
#include "traffic/sampler.h"
#include "usage/calendar.h"
#include "usage/keeper.h"
#include "widget/cap_watch.h"
#include "widget/figures.h"
#include "widget/shown_interface.h"

namespace {

// Wider descriptions wrap rather than run off the screen; a width also lets "\r\n" break lines.
constexpr LPARAM kMaxTipWidth = 400;
// The tool record up to lParam: comctl32 before version 6 refuses the larger size of its headers.
constexpr UINT kToolInfoSize = offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM);

// "All interfaces" names a few dozen interfaces with their rates before it is cut.
constexpr int kChosenSize = 2048;

struct TooltipState {
    HWND window; // the tooltip control
    HWND widget;
    int position;        // of the interface whose description is held
    std::uint32_t index; // the table's number of that interface, at the last reading
    char description[InterfaceTable::kDescriptionMax + 64];
    char text[InterfaceTable::kDescriptionMax + 1024 + kChosenSize];
    char chosen[kChosenSize]; // the lines of "Velnor.interface:", composed at every showing
};
TooltipState tooltip;

// One tool covering the whole widget window. The control watches the window's mouse messages
// itself (TTF_SUBCLASS), so the window procedure handles no mouse message more than before. The
// text is asked for each time it is shown (LPSTR_TEXTCALLBACKA).
TTTOOLINFOA widgetTool() {
    TTTOOLINFOA tool{};
    tool.cbSize = kToolInfoSize;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = tooltip.widget;
    tool.uId = reinterpret_cast<UINT_PTR>(tooltip.widget);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    return tool;
}

// The interface table is asked only here, when the tooltip opens or the selection has changed,
// never for a tick's figures.
void readDescription() {
    const int position = widgetSettings().adapter;
    describeInterface(position, tooltip.description, sizeof tooltip.description);
    tooltip.position = position;
    tooltip.index = InterfaceTable::indexAt(position);
}

// With a ledger kept: "today" or "since" the period's first day, and its figures.
int composePeriod(char* out, std::size_t size) {
    if (!UsageKeeper::keeping())
        return 0;
    const UsageFigures period = shownUsage(widgetSettings());
    const LabelFigures figures = pricedFigures(period.bytes[Channel::Receive],
                                               period.bytes[Channel::Send], widgetSettings().price);
    char values[LabelKind::Count][kTextSize];
    for (int kind = 0; kind < LabelKind::Count; ++kind)
        labelValue(kind, figures, values[kind], kTextSize);
    char since[24] = "today";
    if (period.first != period.last) {
        const CivilDate first = civilDate(period.first);
        std::snprintf(since, sizeof since, "since %04d-%02d-%02d", first.year, first.month,
                      first.day);
    }
    return std::snprintf(out, size, "\r\n%s: received %s, sent %s, both %s, cost %s", since,
                         values[LabelKind::Receive], values[LabelKind::Send],
                         values[LabelKind::Both], values[LabelKind::Cost]);
}

// The held description, or the lines of the interfaces "Velnor.interface:" shows.
const char* heading() {
    return describeChosen(widgetSettings(), tooltip.chosen, sizeof tooltip.chosen)
               ? tooltip.chosen
               : tooltip.description;
}

void composeText() {
    const TrafficReadings& readings = TrafficSampler::readings();
    char rates[Channel::Count][kTextSize];
    for (int channel = 0; channel < Channel::Count; ++channel)
        rateCaption(readings.rates[channel], rates[channel], kTextSize);
    const LabelFigures counted = counterFigures(readings);
    char values[LabelKind::Count][kTextSize];
    for (int kind = 0; kind < LabelKind::Count; ++kind)
        labelValue(kind, counted, values[kind], kTextSize);
    int used = std::snprintf(
        tooltip.text, sizeof tooltip.text,
        "%s\r\nreceive %s\r\nsend %s\r\nreceived %s\r\nsent %s\r\nboth %s\r\ncost %s", heading(),
        rates[Channel::Receive], rates[Channel::Send], values[LabelKind::Receive],
        values[LabelKind::Send], values[LabelKind::Both], values[LabelKind::Cost]);
    if (used > 0 && static_cast<std::size_t>(used) < sizeof tooltip.text)
        used += composePeriod(tooltip.text + used, sizeof tooltip.text - used);
    if (used > 0 && static_cast<std::size_t>(used) < sizeof tooltip.text)
        used += composeCapLines(tooltip.text + used, sizeof tooltip.text - used);
    if (used > 0 && static_cast<std::size_t>(used) < sizeof tooltip.text &&
        UsageKeeper::status()[0] != '\0')
        std::snprintf(tooltip.text + used, sizeof tooltip.text - used, "\r\n%s",
                      UsageKeeper::status());
}

void onGetDispInfo(NMTTDISPINFOA* info) {
    // Hidden means opening: the description is read afresh. Visible means a tick's refresh, which
    // reads it again only when another interface took the position (the tick's reading tells).
    const int position = widgetSettings().adapter;
    if (!IsWindowVisible(tooltip.window) || tooltip.position != position ||
        tooltip.index != InterfaceTable::indexAt(position))
        readDescription();
    composeText();
    info->lpszText = tooltip.text;
}

} // namespace

void createTooltip(HWND widget) {
    destroyTooltip();
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
    // Owned by no window: under Wine a topmost window owned by the widget keeps the widget itself
    // out of the topmost band. Always shown: the widget is a tool window never activated.
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, nullptr,
                                  WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  moduleHandles().instance, nullptr);
    if (!window)
        return;
    tooltip.widget = widget;
    TTTOOLINFOA tool = widgetTool();
    if (!SendMessageA(window, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
        DestroyWindow(window);
        tooltip = TooltipState{};
        return;
    }
    SendMessageA(window, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
    tooltip.window = window;
}

void destroyTooltip() {
    // Before the widget window: the control takes its watch off the window as it goes, and,
    // owned by none, would not go with it.
    if (tooltip.window)
        DestroyWindow(tooltip.window);
    tooltip = TooltipState{};
}

void onTooltipNotify(NMHDR* header) {
    if (header && tooltip.window && header->hwndFrom == tooltip.window &&
        header->code == TTN_GETDISPINFOA)
        onGetDispInfo(reinterpret_cast<NMTTDISPINFOA*>(header));
}

void refreshTooltip() {
    // One that could not be made with the window is tried again at each tick.
    if (!tooltip.window && moduleHandles().widget)
        createTooltip(moduleHandles().widget);
    if (!tooltip.window || !IsWindowVisible(tooltip.window))
        return;
    // Replacing the text of an open tooltip shows it again, which asks for the text anew.
    TTTOOLINFOA tool = widgetTool();
    SendMessageA(tooltip.window, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}
