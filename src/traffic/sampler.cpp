#include "traffic/sampler.h"

#include <cstring>

#include "traffic/clock.h"
#include "traffic/counter_delta.h"
#include "traffic/interface_table.h"

namespace {

// A graph's maximum and how many of its columns hold it, so that a tick finds the new maximum
// without reading every column: it looks again only when the last of them scrolls out.
struct Peak {
    const std::int64_t* history; // of the graph it describes, with `columns`
    int columns;
    std::int64_t value; // the graph's maximum when that still reads the same
    int holders;        // columns holding `value`, when it is positive
};

struct SamplerState {
    TrafficReadings readings;
    Peak peaks[Channel::Count];
    bool hasBaseline;
    CounterReading last;           // of the last tick or reset: the totals come from it
    std::int64_t lastMicroseconds; // of the last tick or reset
    WidgetSettings* installed;
};

SamplerState sampler;

// Two readings can be subtracted only when both exist and count the same interface the same way:
// at a position another interface can take the row's place, and a switch between 64 and 32 bits
// changes the scale of the count.
bool comparable(const CounterReading& previous, const CounterReading& reading) {
    return previous.found && reading.found && previous.index == reading.index &&
           previous.wide == reading.wide;
}

// Timer messages are merged while the thread is busy, so a tick more than a quarter period late
// is divided by the time that really elapsed. Every shorter interval, the one after a reset in
// mid-period too, is divided by the period: its rate can err low but never spikes.
double secondsFor(int period, std::int64_t elapsedMicroseconds) {
    if (4 * elapsedMicroseconds > 5000 * std::int64_t{period})
        return static_cast<double>(elapsedMicroseconds) / 1e6;
    return period / 1000.0;
}

// A counter step over the seconds, held to the 64-bit range: a step of 2^62 in a quarter second
// is out of it, and converting that would be undefined.
std::int64_t rateOf(std::int64_t bytes, double seconds) {
    const double rate = static_cast<double>(bytes) / seconds;
    constexpr double kRateLimit = 9223372036854775807.0; // 2^63 as a double
    return rate >= kRateLimit ? INT64_MAX : static_cast<std::int64_t>(rate);
}

// The maximum of the columns (0 when none is positive) and its holders, from every column.
Peak findPeak(const std::int64_t* history, int columns) {
    Peak peak{history, columns, 0, 0};
    for (int j = 0; j < columns; ++j) {
        if (history[j] > peak.value)
            peak = Peak{history, columns, history[j], 1};
        else if (history[j] == peak.value && peak.value > 0)
            ++peak.holders;
    }
    return peak;
}

// Scrolls one column left, the rate entering on the right, and keeps the graph's maximum.
void scroll(Graph& graph, std::int64_t rate, Peak& peak) {
    const int columns = historyColumns(graph);
    std::int64_t* history = graph.history;
    if (history == nullptr || columns < 1)
        return;
    const std::int64_t leaving = history[0];
    std::memmove(history, history + 1, sizeof *history * static_cast<std::size_t>(columns - 1));
    history[columns - 1] = rate;
    // Anyone else who set the maximum or the history (a reload, a reset) makes it look again.
    const bool kept =
        peak.history == history && peak.columns == columns && peak.value == graph.maximum;
    if (kept && leaving > 0 && leaving == peak.value)
        --peak.holders;
    if (!kept || (peak.value > 0 && peak.holders == 0))
        peak = findPeak(history, columns);
    else if (rate > peak.value)
        peak = Peak{history, columns, rate, 1};
    else if (rate == peak.value && rate > 0)
        ++peak.holders;
    graph.maximum = peak.value;
}

void rebase(const CounterReading& reading, std::int64_t now) {
    sampler.last = reading;
    for (int channel = 0; channel < Channel::Count; ++channel)
        sampler.readings.totals[channel] = reading.octets[channel];
    sampler.lastMicroseconds = now;
    sampler.hasBaseline = true;
}

} // namespace

namespace TrafficSampler {

void tick(WidgetSettings& settings) {
    std::int64_t now = clockMicroseconds();
    double seconds = secondsFor(settings.timer, now - sampler.lastMicroseconds);
    CounterReading reading = InterfaceTable::counters(settings.adapter);
    // Without a baseline, or against a reading of another interface, in another width, or none
    // at all (a missing row, a failed query), a counter step is no traffic: this tick only
    // takes the new baseline.
    bool rated = sampler.hasBaseline && comparable(sampler.last, reading);
    for (int channel = 0; channel < Channel::Count; ++channel) {
        std::int64_t rate = 0;
        if (rated)
            rate = rateOf(
                counterDelta(sampler.last.octets[channel], reading.octets[channel], reading.wide),
                seconds);
        sampler.readings.rates[channel] = rate;
        scroll(settings.graphs[channel], rate, sampler.peaks[channel]);
    }
    sampler.readings.seconds = rated ? seconds : 0.0;
    rebase(reading, now);
    // Each counter is held below 2^62 as it is read, so their sum cannot overflow.
    sampler.readings.cost = static_cast<double>(sampler.readings.totals[Channel::Receive] +
                                                sampler.readings.totals[Channel::Send]) /
                            1024.0 * settings.price;
}

void resetHistory(WidgetSettings& settings) {
    for (Peak& peak : sampler.peaks)
        peak = Peak{};
    for (Graph& graph : settings.graphs) {
        if (graph.history == nullptr)
            continue;
        for (int j = 0; j < historyColumns(graph); ++j)
            graph.history[j] = 0;
    }
    rebase(InterfaceTable::counters(settings.adapter), clockMicroseconds());
}

void attach(WidgetSettings* installed) {
    sampler.installed = installed;
}

void tick() {
    if (sampler.installed)
        tick(*sampler.installed);
}

void resetHistory() {
    if (sampler.installed)
        resetHistory(*sampler.installed);
}

const TrafficReadings& readings() {
    return sampler.readings;
}

void clear() {
    sampler = SamplerState{};
}

} // namespace TrafficSampler
