// Turns the selected interface's counters into rates, scrolling histories, maxima, totals and cost.
#pragma once

#include <cstdint>

#include "types.h"

// What the reload takes a period of 0 or less as; the sampler is only ever given positive ones.
constexpr int kDefaultPeriod = 1000;

struct TrafficReadings {
    std::int64_t totals[Channel::Count];
    std::int64_t rates[Channel::Count];
    double cost;
    double seconds; // what the last rates were divided by; 0 when it had no reading to compare
};

namespace TrafficSampler {

// One tick or a new baseline with empty histories, on `settings`: its graphs' histories and
// maxima change, its adapter, timer and price are read.
void tick(WidgetSettings& settings);
void resetHistory(WidgetSettings& settings);
// The installed settings, lent by their owner: the timer's ticks and the resets of the running
// widget work on them. Without a record they do nothing.
void attach(WidgetSettings* installed);
void tick();
void resetHistory();
const TrafficReadings& readings();
// Back to the loaded state: no readings, no baseline, no record.
void clear();

} // namespace TrafficSampler
