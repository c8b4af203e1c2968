// The figures' texts: everything that shows a rate, a label's value or a cost takes them from
// here, so that the picture and the tooltip never disagree.
#pragma once

#include <cstddef>
#include <cstdint>

#include "traffic/sampler.h"

// A rate caption: "1.500 KB/s".
void rateCaption(std::int64_t rate, char* out, std::size_t size);
// The value of the label of `kind`: bytes received, sent, both, or the cost.
void labelValue(int kind, const TrafficReadings& readings, char* out, std::size_t size);
