#include "usage/checkpoint.h"

#include "traffic/counter_delta.h"

namespace {

bool sameBoot(std::int64_t a, std::int64_t b) {
    // In unsigned arithmetic, so that no pair of boot times overflows.
    std::uint64_t distance = a > b ? static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b)
                                   : static_cast<std::uint64_t>(b) - static_cast<std::uint64_t>(a);
    return distance <= static_cast<std::uint64_t>(kSameBootSeconds);
}

} // namespace

void trafficSinceCheckpoint(const UsageInterface& interface, const std::int64_t readings[2],
                            bool wide, std::int64_t boot, std::int64_t traffic[2]) {
    const UsageCheckpoint& checkpoint = interface.checkpoint;
    bool continued = sameBoot(boot, checkpoint.boot) && wide == checkpoint.wide;
    for (int channel = 0; channel < 2; ++channel) {
        std::int64_t reading = readings[channel] > 0 ? readings[channel] : 0;
        std::int64_t moved =
            continued ? counterDelta(checkpoint.counters[channel], reading, wide) : reading;
        traffic[channel] = interface.hasCheckpoint && moved > 0 ? moved : 0;
    }
}
