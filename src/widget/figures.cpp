#include "widget/figures.h"

#include <cstdio>
#include <cstring>

#include "traffic/format.h"
#include "traffic/interface_table.h"
#include "usage/keeper.h"
#include "usage/ledger.h"
#include "widget/shown_interface.h"

LabelFigures labelFigures(const WidgetSettings& settings, const TrafficReadings& readings) {
    if (!UsageKeeper::keeping())
        return counterFigures(readings);
    const UsageFigures period = shownUsage(settings);
    return pricedFigures(period.bytes[Channel::Receive], period.bytes[Channel::Send],
                         settings.price);
}

LabelFigures counterFigures(const TrafficReadings& readings) {
    return LabelFigures{{readings.totals[Channel::Receive], readings.totals[Channel::Send]},
                        readings.cost};
}

// A ledger's day holds up to 2^63 - 1 bytes each way: "both" and the cost are held there too.
LabelFigures pricedFigures(std::int64_t received, std::int64_t sent, double price) {
    return LabelFigures{{received, sent}, costOf(saturatingAdd(received, sent), price)};
}

void describeInterface(int position, char* out, std::size_t size) {
    if (position >= 0 && position < InterfaceTable::count())
        std::snprintf(out, size, "%s", InterfaceTable::description(position));
    else
        std::snprintf(out, size, "no interface at position %d", position);
}

void rateCaption(std::int64_t rate, char* out, std::size_t size) {
    if (size == 0)
        return;
    formatByteCount(rate, out, size);
    const std::size_t used = std::strlen(out);
    std::strncat(out, "/s", size - used - 1);
}

void labelValue(int kind, const LabelFigures& figures, char* out, std::size_t size) {
    switch (kind) {
    case LabelKind::Receive:
        formatByteCount(figures.bytes[Channel::Receive], out, size);
        break;
    case LabelKind::Send:
        formatByteCount(figures.bytes[Channel::Send], out, size);
        break;
    case LabelKind::Both:
        formatByteCount(
            saturatingAdd(figures.bytes[Channel::Receive], figures.bytes[Channel::Send]), out,
            size);
        break;
    default:
        formatCost(figures.cost, out, size);
        break;
    }
}
