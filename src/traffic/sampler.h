// Turns the selected interface's counters into rates, scrolling histories, maxima, totals and cost.
#pragma once

#include <cstdint>

#include "traffic/interface_choice.h"
#include "traffic/interface_table.h"
#include "types.h"

// What the reload takes a period of 0 or less as; the sampler is only ever given positive ones.
constexpr int kDefaultPeriod = 1000;

struct TrafficReadings {
    std::int64_t totals[Channel::Count];
    std::int64_t rates[Channel::Count];
    double cost;
    double seconds; // what the last rates were divided by; 0 when it had no reading to compare
};

// One interface the sum of all interfaces counted at the last tick, and its bytes of that tick.
struct CountedInterface {
    int row; // in the last reading of every row
    std::uint32_t index;
    std::int64_t moved[Channel::Count]; // 0 from a new baseline
};

// What "Velnor.interface:" showed at the last tick or reset.
struct ShownInterfaces {
    InterfaceMode mode;
    int row;             // the one shown interface's row in the last reading; -1 when absent
    std::uint32_t index; // its interface number
    bool route;          // `auto`: the system named the default route's interface
    int counted;         // `all`: the interfaces added, in table order
    CountedInterface interfaces[InterfaceTable::kRowsMax];
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
const ShownInterfaces& shown();
// A counted interface's rate at the last tick: worked out when asked, since only the tooltip reads
// it and a tick would otherwise convert one per interface.
std::int64_t countedRate(const CountedInterface& counted, int channel);
// Back to the loaded state: no readings, no baseline, no record.
void clear();

} // namespace TrafficSampler
