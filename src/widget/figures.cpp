#include "widget/figures.h"

#include <cstring>

#include "traffic/format.h"
#include "types.h"

void rateCaption(std::int64_t rate, char* out, std::size_t size) {
    if (size == 0)
        return;
    formatByteCount(rate, out, size);
    const std::size_t used = std::strlen(out);
    std::strncat(out, "/s", size - used - 1);
}

void labelValue(int kind, const TrafficReadings& readings, char* out, std::size_t size) {
    switch (kind) {
    case LabelKind::Receive:
        formatByteCount(readings.totals[Channel::Receive], out, size);
        break;
    case LabelKind::Send:
        formatByteCount(readings.totals[Channel::Send], out, size);
        break;
    case LabelKind::Both:
        formatByteCount(readings.totals[Channel::Receive] + readings.totals[Channel::Send], out,
                        size);
        break;
    default:
        formatCost(readings.cost, out, size);
        break;
    }
}
