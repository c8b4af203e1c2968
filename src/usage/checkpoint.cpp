#include "usage/checkpoint.h"

#include "traffic/counter_delta.h"

namespace {

bool sameBoot(const UsageCheckpoint& checkpoint, std::int64_t boot, std::int64_t uptime) {
    if (checkpoint.uptime > 0)
        return uptime >= checkpoint.uptime;
    // In unsigned arithmetic, so that no pair of boot times overflows.
    const std::int64_t a = boot, b = checkpoint.boot;
    std::uint64_t distance = a > b ? static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b)
                                   : static_cast<std::uint64_t>(b) - static_cast<std::uint64_t>(a);
    return distance <= static_cast<std::uint64_t>(kSameBootSeconds);
}

} // namespace

void trafficSinceCheckpoint(const UsageInterface& interface, const std::int64_t readings[2],
                            bool wide, std::int64_t boot, std::int64_t uptime,
                            std::int64_t traffic[2]) {
    const UsageCheckpoint& checkpoint = interface.checkpoint;
    bool continued = sameBoot(checkpoint, boot, uptime) && wide == checkpoint.wide;
    for (int channel = 0; channel < 2; ++channel) {
        std::int64_t reading = readings[channel] > 0 ? readings[channel] : 0;
        std::int64_t moved = reading;
        if (continued && wide)
            moved = counterDelta(checkpoint.counters[channel], reading, wide);
        else if (continued) // no telling how often it wrapped: what it moved modulo 2^32
            moved = reading >= checkpoint.counters[channel]
                        ? reading - checkpoint.counters[channel]
                        : reading + kCounterRange - checkpoint.counters[channel];
        traffic[channel] = interface.hasCheckpoint && moved > 0 ? moved : 0;
    }
}
