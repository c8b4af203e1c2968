#include "traffic/sampler.h"

#include <cstring>

#include "traffic/clock.h"
#include "traffic/counter_delta.h"
#include "traffic/format.h"
#include "traffic/interface_table.h"
#include "traffic/route.h"

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

// An interface's counters at the last reading, for the sum of all interfaces.
struct Baseline {
    std::uint32_t index;
    bool wide;
    std::int64_t octets[Channel::Count];
};

// The default route is asked again at least this often while the table stays the same.
constexpr std::int64_t kRouteMicroseconds = 5000000;

struct ChosenState {
    char text[kInterfaceNameSize]; // of the last parse, against which the settings are compared
    bool parsed;
    InterfaceChoice choice;
    ShownInterfaces shown;
    // The last reading's baselines and the ones being taken, in turn.
    Baseline baselines[2][InterfaceTable::kRowsMax];
    int baselineCount;
    int current; // which of `baselines` holds the last reading's
    bool routeAsked;
    std::int64_t routeMicroseconds; // when the route was last asked
    std::uint32_t tableShape;       // of the rows when it was asked
    std::uint32_t routeIndex;
};

ChosenState chosen;

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
// The system runs a period below 10 ms every 10 ms: that is the period its ticks come at.
double secondsFor(int period, std::int64_t elapsedMicroseconds) {
    constexpr int kShortestPeriod = 10;
    if (period < kShortestPeriod)
        period = kShortestPeriod;
    if (4 * elapsedMicroseconds > 5000 * std::int64_t{period})
        return static_cast<double>(elapsedMicroseconds) / 1e6;
    return period / 1000.0;
}

// A counter step over the seconds, held to the 64-bit range: a step of 2^62 in a quarter second
// is out of it, and converting that would be undefined.
// Rates below 2^31 (any under 2 GB/s) take the 32-bit conversion, which a 32-bit build makes in
// one instruction where the 64-bit one switches the FPU's rounding twice.
std::int64_t rateOf(std::int64_t bytes, double seconds) {
    const double rate = countAsDouble(bytes) / seconds;
    constexpr double kRateLimit = 9223372036854775807.0; // 2^63 as a double
    if (rate >= 0.0 && rate < 2147483648.0)
        return static_cast<std::int32_t>(rate);
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

// The sum of every interface's totals may reach the largest count: it saturates.
void priceTotals(const WidgetSettings& settings) {
    sampler.readings.cost = costOf(saturatingAdd(sampler.readings.totals[Channel::Receive],
                                                 sampler.readings.totals[Channel::Send]),
                                   settings.price);
}

// One reading's rates against the last, the graphs scrolled, and the reading as the new baseline.
void applyReading(WidgetSettings& settings, const CounterReading& reading, std::int64_t now,
                  double seconds) {
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
    priceTotals(settings);
}

// A tick whose table could not be read: no rate, while the totals, the cost, the shown interface
// and the baselines stay as last read, so that the next reading rates the whole time since.
void hold(WidgetSettings& settings) {
    for (int channel = 0; channel < Channel::Count; ++channel) {
        sampler.readings.rates[channel] = 0;
        scroll(settings.graphs[channel], 0, sampler.peaks[channel]);
    }
    sampler.readings.seconds = 0.0;
}

// The settings' interface choice, parsed again only when its text changed.
const InterfaceChoice& choose(const WidgetSettings& settings) {
    if (!chosen.parsed || std::strcmp(chosen.text, settings.interfaceName) != 0) {
        std::memcpy(chosen.text, settings.interfaceName, sizeof chosen.text);
        chosen.text[sizeof chosen.text - 1] = '\0';
        chosen.choice = parseInterfaceChoice(chosen.text);
        chosen.parsed = true;
        chosen.routeAsked = false;
        chosen.shown.row = -1;
    }
    return chosen.choice;
}

// The interface numbers of the rows in order, folded: a joined, left or moved row changes it.
std::uint32_t shapeOf(const RowCounters* rows, int count) {
    std::uint32_t shape = 2166136261u ^ static_cast<std::uint32_t>(count);
    for (int row = 0; row < count; ++row)
        shape = (shape ^ rows[row].reading.index) * 16777619u;
    return shape;
}

// The default route's interface: asked at the first reading, when the table changed, and at
// most kRouteMicroseconds after the last question otherwise.
void askRoute(const RowCounters* rows, int count, std::int64_t now) {
    const std::uint32_t shape = shapeOf(rows, count);
    if (chosen.routeAsked && shape == chosen.tableShape &&
        now - chosen.routeMicroseconds < kRouteMicroseconds)
        return;
    chosen.routeAsked = true;
    chosen.routeMicroseconds = now;
    chosen.tableShape = shape;
    std::uint32_t index = 0;
    chosen.shown.route = DefaultRoute::ask(index);
    chosen.routeIndex = chosen.shown.route ? index : 0;
}

// The one interface a name or the route shows, from every row just read: a missing one reads as
// nothing found. Of rows with one description, the one that held it last is taken, else the one
// at `position`, which is chosen with the name.
CounterReading shownReading(const RowCounters* rows, int count, std::int64_t now, int position) {
    ShownInterfaces& shown = chosen.shown;
    int row = -1;
    if (chosen.choice.mode == InterfaceMode::Auto) {
        askRoute(rows, count, now);
        if (shown.route)
            row = rowOfIndex(chosen.routeIndex, rows, count, shown.row);
    } else {
        row = namedRow(chosen.choice, chosen.text, rows, count, InterfaceTable::rowDescription,
                       shown.row >= 0 ? shown.row : position);
    }
    shown.row = row;
    shown.index = row >= 0 ? rows[row].reading.index : 0;
    return row >= 0 ? rows[row].reading : CounterReading{};
}

// The sum of the counted interfaces, each against its own baseline: one that joins counts from
// its first reading, one that leaves takes its counters with it, so neither moves the rates. A
// reset (`scrolling` false) takes the baselines and totals only.
void sumAll(WidgetSettings& settings, const RowCounters* rows, int count, std::int64_t now,
            double seconds, bool scrolling) {
    ShownInterfaces& shown = chosen.shown;
    const bool connectors = connectorsReported(rows, count);
    const Baseline* last = chosen.baselines[chosen.current];
    Baseline* next = chosen.baselines[1 - chosen.current];
    const int lastCount = chosen.baselineCount;
    std::int64_t moved[Channel::Count] = {0, 0};
    std::int64_t totals[Channel::Count] = {0, 0};
    int guess = 0; // both come in table order: the baseline after the last match is tried first
    shown.counted = 0;
    for (int row = 0; row < count; ++row) {
        const CounterReading& reading = rows[row].reading;
        if (!countedInAll(rows[row], connectors))
            continue;
        int at = guess < lastCount && last[guess].index == reading.index ? guess : -1;
        for (int i = 0; at < 0 && i < lastCount; ++i)
            if (last[i].index == reading.index)
                at = i;
        CountedInterface& counted = shown.interfaces[shown.counted];
        counted = CountedInterface{row, reading.index, {0, 0}};
        const bool rated = sampler.hasBaseline && at >= 0 && last[at].wide == reading.wide;
        for (int channel = 0; channel < Channel::Count; ++channel) {
            totals[channel] = saturatingAdd(totals[channel], reading.octets[channel]);
            if (!rated)
                continue;
            const std::int64_t bytes =
                counterDelta(last[at].octets[channel], reading.octets[channel], reading.wide);
            moved[channel] = saturatingAdd(moved[channel], bytes);
            counted.moved[channel] = bytes;
        }
        guess = at + 1;
        next[shown.counted++] =
            Baseline{reading.index, reading.wide, {reading.octets[0], reading.octets[1]}};
    }
    chosen.current = 1 - chosen.current;
    chosen.baselineCount = shown.counted;
    const bool rated = sampler.hasBaseline;
    for (int channel = 0; channel < Channel::Count; ++channel) {
        sampler.readings.totals[channel] = totals[channel];
        if (!scrolling)
            continue;
        const std::int64_t rate = rated ? rateOf(moved[channel], seconds) : 0;
        sampler.readings.rates[channel] = rate;
        scroll(settings.graphs[channel], rate, sampler.peaks[channel]);
    }
    if (scrolling)
        sampler.readings.seconds = rated ? seconds : 0.0;
    sampler.lastMicroseconds = now;
    sampler.hasBaseline = true;
    priceTotals(settings);
}

// A tick on every row, or a reset's new baseline (`scrolling` false) on them.
void readChosen(WidgetSettings& settings, std::int64_t now, double seconds, bool scrolling) {
    int count = 0;
    const RowCounters* rows = InterfaceTable::readEveryRow(count);
    if (scrolling && InterfaceTable::lastReadFailed()) {
        hold(settings);
        return;
    }
    chosen.shown.mode = chosen.choice.mode;
    if (chosen.choice.mode == InterfaceMode::All) {
        sumAll(settings, rows, count, now, seconds, scrolling);
        return;
    }
    chosen.shown.counted = 0;
    const CounterReading reading = shownReading(rows, count, now, settings.adapter);
    if (scrolling)
        applyReading(settings, reading, now, seconds);
    else
        rebase(reading, now);
}

} // namespace

namespace TrafficSampler {

void tick(WidgetSettings& settings) {
    std::int64_t now = clockMicroseconds();
    double seconds = secondsFor(settings.timer, now - sampler.lastMicroseconds);
    if (choose(settings).mode != InterfaceMode::Position) {
        readChosen(settings, now, seconds, true);
        return;
    }
    const CounterReading reading = InterfaceTable::counters(settings.adapter);
    if (InterfaceTable::lastReadFailed())
        hold(settings);
    else
        applyReading(settings, reading, now, seconds);
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
    if (choose(settings).mode != InterfaceMode::Position) {
        // A new baseline for every interface, the route asked again, and of rows with one
        // description the one at the position, which the menu may have moved to the other.
        sampler.hasBaseline = false;
        chosen.routeAsked = false;
        chosen.shown.row = -1;
        readChosen(settings, clockMicroseconds(), 0.0, false);
    } else
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

const ShownInterfaces& shown() {
    return chosen.shown;
}

std::int64_t countedRate(const CountedInterface& counted, int channel) {
    const double seconds = sampler.readings.seconds;
    return seconds > 0.0 ? rateOf(counted.moved[channel], seconds) : 0;
}

void clear() {
    sampler = SamplerState{};
    chosen = ChosenState{};
}

} // namespace TrafficSampler
