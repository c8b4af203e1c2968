#include "traffic/sampler.h"

#include "traffic/clock.h"
#include "traffic/interface_table.h"

namespace {

constexpr std::int64_t kCounterRange = std::int64_t{1} << 32;

struct SamplerState {
    TrafficReadings readings;
    bool hasBaseline;
    bool rowFound[Channel::Count];  // at the last tick or reset
    std::uint32_t lastMilliseconds; // of the last tick or reset
};

SamplerState sampler;

int normalizedPeriod(const WidgetSettings& settings) {
    return settings.timer > 0 ? settings.timer : kDefaultPeriod;
}

// Bytes moved since `previous`. The counters are 32-bit: a reading below the previous one is a
// wrap when the distance modulo 2^32 is less than half the range, else the interface restarted
// its counters and the reading itself is what it moved since. Never negative.
std::int64_t counterDelta(std::int64_t previous, std::int64_t reading) {
    if (reading >= previous)
        return reading - previous;
    std::int64_t wrapped = reading + kCounterRange - previous;
    return wrapped < kCounterRange / 2 ? wrapped : reading;
}

// Timer messages are merged while the thread is busy and a reset can fall mid-period, so the
// nominal period holds only when the time really elapsed is within a quarter period of it.
double secondsSinceLast(int period, std::uint32_t now) {
    std::int64_t elapsed = static_cast<std::uint32_t>(now - sampler.lastMilliseconds);
    std::int64_t off = elapsed > period ? elapsed - period : period - elapsed;
    if (4 * off <= period)
        return period / 1000.0;
    return static_cast<double>(elapsed > 0 ? elapsed : 1) / 1000.0;
}

// Scrolls one column left and finds the maximum in the same pass; the rate enters on the right.
void scroll(Graph& graph, std::int64_t rate) {
    if (graph.history == nullptr || graph.width < 1)
        return;
    std::int64_t* history = graph.history;
    std::int64_t maximum = 0;
    for (int j = 0; j + 1 < graph.width; ++j) {
        std::int64_t v = history[j + 1];
        if (v > maximum)
            maximum = v;
        history[j] = v;
    }
    if (rate > maximum)
        maximum = rate;
    graph.maximum = maximum;
    history[graph.width - 1] = rate;
}

void takeBaseline(const WidgetSettings& settings, std::uint32_t now) {
    for (int channel = 0; channel < Channel::Count; ++channel)
        sampler.readings.totals[channel] =
            InterfaceTable::counter(settings.adapter, channel, &sampler.rowFound[channel]);
    sampler.lastMilliseconds = now;
    sampler.hasBaseline = true;
}

} // namespace

namespace TrafficSampler {

void tick(WidgetSettings& settings) {
    std::uint32_t now = clockMilliseconds();
    int period = normalizedPeriod(settings);
    // Without a baseline there is no previous reading to subtract: this tick only takes one.
    double seconds = sampler.hasBaseline ? secondsSinceLast(period, now) : 0.0;
    for (int channel = 0; channel < Channel::Count; ++channel) {
        bool found = false;
        std::int64_t reading = InterfaceTable::counter(settings.adapter, channel, &found);
        // A row that is gone, or was gone at the previous reading, reads 0: the step to or from
        // 0 is no traffic, though it could pass for a counter wrap.
        std::int64_t rate = 0;
        if (sampler.hasBaseline && found && sampler.rowFound[channel])
            rate = static_cast<std::int64_t>(
                static_cast<double>(counterDelta(sampler.readings.totals[channel], reading)) /
                seconds);
        sampler.rowFound[channel] = found;
        sampler.readings.rates[channel] = rate;
        sampler.readings.totals[channel] = reading;
        scroll(settings.graphs[channel], rate);
    }
    sampler.readings.cost = static_cast<double>(sampler.readings.totals[Channel::Receive] +
                                                sampler.readings.totals[Channel::Send]) /
                            1024.0 * settings.price;
    sampler.lastMilliseconds = now;
    sampler.hasBaseline = true;
}

void resetHistory(WidgetSettings& settings) {
    for (Graph& graph : settings.graphs) {
        if (graph.history == nullptr)
            continue;
        for (int j = 0; j < graph.width; ++j)
            graph.history[j] = 0;
    }
    takeBaseline(settings, clockMilliseconds());
}

const TrafficReadings& readings() {
    return sampler.readings;
}

void clear() {
    sampler = SamplerState{};
}

} // namespace TrafficSampler
