// Turns the selected interface's counters into rates, scrolling histories, maxima, totals and cost.
#pragma once

#include <cstdint>

#include "types.h"

// What a period of 0 or less is taken as, here and by the reload that normalizes the setting.
constexpr int kDefaultPeriod = 1000;

struct TrafficReadings {
    std::int64_t totals[Channel::Count];
    std::int64_t rates[Channel::Count];
    double cost;
    double seconds; // what the last rates were divided by; 0 when it had no reading to compare
};

namespace TrafficSampler {

void tick(WidgetSettings& settings);
void resetHistory(WidgetSettings& settings);
const TrafficReadings& readings();
// Back to the loaded state: no readings, no baseline.
void clear();

} // namespace TrafficSampler
