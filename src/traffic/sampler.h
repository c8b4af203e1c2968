// Turns the selected interface's counters into rates, scrolling histories, maxima, totals and cost.
#pragma once

#include <cstdint>

#include "types.h"

struct TrafficReadings {
    std::int64_t totals[Channel::Count];
    std::int64_t rates[Channel::Count];
    double cost;
};

namespace TrafficSampler {

void tick(WidgetSettings& settings);
void resetHistory(WidgetSettings& settings);
const TrafficReadings& readings();
// Back to the loaded state: no readings, no baseline.
void clear();

} // namespace TrafficSampler
