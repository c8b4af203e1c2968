// The figures' texts: everything that shows a rate, a label's value or a cost takes them from
// here, so that the picture and the tooltip never disagree.
#pragma once

#include <cstddef>
#include <cstdint>

#include "traffic/sampler.h"

#include "types.h"

// What the labels count: bytes received and sent, and their cost.
struct LabelFigures {
    std::int64_t bytes[Channel::Count];
    double cost;
    std::int32_t capLevel = 0; // CapLevel of the period's bytes: the both and cost values' colour
};

// The interface's counters as the sampler last read them; with a ledger kept, the selected
// interface's bytes of today or of the billing period.
LabelFigures labelFigures(const WidgetSettings& settings, const TrafficReadings& readings);
// The interface's counters as the sampler last read them, whatever the labels count.
LabelFigures counterFigures(const TrafficReadings& readings);
// Bytes received and sent, and their cost at `price` per 1024 bytes.
LabelFigures pricedFigures(std::int64_t received, std::int64_t sent, double price);
// The description of the interface at `position`, as the Adapter menu lists it, or
// "no interface at position N". Each call queries the table.
void describeInterface(int position, char* out, std::size_t size);
// A rate caption: "1.500 KB/s".
void rateCaption(std::int64_t rate, char* out, std::size_t size);
// The value of the label of `kind`: bytes received, sent, both, or the cost.
void labelValue(int kind, const LabelFigures& figures, char* out, std::size_t size);
