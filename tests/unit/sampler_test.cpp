#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "traffic/clock.h"
#include "traffic/interface_table.h"
#include "traffic/route.h"
#include "traffic/sampler.h"

// The sampler's link seams: a scripted counter source of 32-bit rows and a clock. The 64-bit
// counters and interface numbers are tested through the scripted library under Wine.
namespace {
struct FakeSource {
    std::int64_t counters[Channel::Count];
    int rows;
    std::int64_t now; // microseconds
    std::vector<int> positionsRead;
    bool wide;
} source;
} // namespace

CounterReading InterfaceTable::counters(int position) {
    source.positionsRead.push_back(position);
    CounterReading reading{};
    if (position >= 0 && position < source.rows)
        reading = CounterReading{true, 1, source.wide, {source.counters[0], source.counters[1]}};
    return reading;
}

std::int64_t clockMicroseconds() {
    return source.now;
}

// The rows by identity and the route are the interface choice test's; here none is read.
const RowCounters* InterfaceTable::readEveryRow(int& count) {
    count = 0;
    return nullptr;
}

bool InterfaceTable::lastReadFailed() {
    return false;
}

const char* InterfaceTable::rowDescription(int) {
    return "";
}

bool DefaultRoute::ask(std::uint32_t&) {
    return false;
}

namespace {

constexpr std::int64_t k2To32 = std::int64_t{1} << 32;

// A settings record with both histories of `width` entries, owned by the test.
struct Widget {
    WidgetSettings settings{};
    std::vector<std::int64_t> histories[Channel::Count];

    explicit Widget(int width, int period = 1000, double price = 1.0) {
        settings.timer = period;
        settings.price = price;
        for (int channel = 0; channel < Channel::Count; ++channel) {
            histories[channel].assign(width > 0 ? width : 0, 0);
            settings.graphs[channel].width = width;
            settings.graphs[channel].history = width > 0 ? histories[channel].data() : nullptr;
        }
    }
    std::vector<std::int64_t>& history(int channel) { return histories[channel]; }
    std::int64_t maximum(int channel) const { return settings.graphs[channel].maximum; }
};

class Sampler : public ::testing::Test {
  protected:
    void SetUp() override {
        source = FakeSource{{0, 0}, 1, 5000, {}, false};
        TrafficSampler::clear();
    }
    void set(std::int64_t received, std::int64_t sent) {
        source.counters[Channel::Receive] = received;
        source.counters[Channel::Send] = sent;
    }
    // Moves the clock on and ticks.
    void tickAfter(Widget& widget, std::int64_t milliseconds) {
        source.now += 1000 * milliseconds;
        TrafficSampler::tick(widget.settings);
    }
    std::int64_t rate(int channel) { return TrafficSampler::readings().rates[channel]; }
};

TEST_F(Sampler, RatesForThePeriodsOnTime) {
    struct Row {
        int period;
        std::int64_t bytes;
        std::int64_t rate;
    };
    const Row rows[] = {
        {1000, 1536, 1536},
        {500, 1000, 2000},
        {3000, 1000, 333}, // truncated, not rounded
        {1000, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.period);
        TrafficSampler::clear();
        Widget widget(4, row.period);
        widget.settings.adapter = 2;
        source.rows = 3;
        set(100000, 7);
        TrafficSampler::resetHistory(widget.settings);
        set(100000 + row.bytes, 7 + 2 * row.bytes);
        tickAfter(widget, row.period);
        EXPECT_EQ(rate(Channel::Receive), row.rate);
        EXPECT_EQ(rate(Channel::Send), 2 * row.rate);
        EXPECT_EQ(TrafficSampler::readings().totals[Channel::Receive], 100000 + row.bytes);
        EXPECT_EQ(widget.history(Channel::Receive), (std::vector<std::int64_t>{0, 0, 0, row.rate}));
        EXPECT_EQ(widget.maximum(Channel::Send), 2 * row.rate);
        EXPECT_EQ(source.positionsRead.back(), 2);
    }
}

// Only a tick more than a quarter period late is divided by the time really elapsed (ticks merged
// while the thread was busy); every shorter interval, the first after a reset in mid-period too,
// by the period, so that no rate spikes.
TEST_F(Sampler, OnlyALateTickIsDividedByTheElapsedTime) {
    struct Row {
        const char* name;
        int period;
        std::int64_t elapsed; // microseconds
        std::int64_t bytes;
        std::int64_t rate;
        double seconds;
    };
    const Row rows[] = {
        {"a quarter early", 1000, 750000, 1000, 1000, 1.0},
        {"a quarter late", 1000, 1250000, 1000, 1000, 1.0},
        {"a microsecond later", 1000, 1250001, 1250002, 1000000, 1.250001},
        {"merged: three periods late", 1000, 3000000, 3000, 1000, 3.0},
        {"early after a mid-period reset", 1000, 12000, 1000, 1000, 1.0},
        {"clock did not move", 1000, 0, 5, 5, 1.0},
        {"late, short period", 500, 1000000, 1000, 1000, 1.0},
        // The system runs a period below 10 ms every 10 ms.
        {"8 ms, ticking every 10 ms", 8, 10000, 1000, 100000, 0.01},
        {"1 ms, ticking every 10 ms", 1, 10000, 1000, 100000, 0.01},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TrafficSampler::clear();
        Widget widget(2, row.period);
        set(1000, 1000);
        TrafficSampler::resetHistory(widget.settings);
        set(1000 + row.bytes, 1000);
        source.now += row.elapsed;
        TrafficSampler::tick(widget.settings);
        EXPECT_EQ(rate(Channel::Receive), row.rate);
        EXPECT_EQ(rate(Channel::Send), 0);
        EXPECT_DOUBLE_EQ(TrafficSampler::readings().seconds, row.seconds);
    }
}

// The selected row disappearing reads as 0 and coming back as its whole counter; neither step is
// traffic, though the drop from above 2^31 to 0 would pass for a wrap.
TEST_F(Sampler, ARowThatGoesAndComesBackShowsNoSpike) {
    Widget widget(4);
    set(3000000000, 3000000000);
    TrafficSampler::resetHistory(widget.settings);
    struct Step {
        int rows;
        std::int64_t received;
        std::int64_t rate;
    };
    const Step steps[] = {
        {1, 3000001000, 1000}, // on time, as usual
        {0, 0, 0},             // the row is gone
        {0, 0, 0},             // still gone
        {1, 3000009000, 0},    // back, with what it counted meanwhile
        {1, 3000010000, 1000}, // and normal again
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << step.rows << " rows, " << step.received);
        source.rows = step.rows;
        set(step.received, 3000000000);
        tickAfter(widget, 1000);
        EXPECT_EQ(rate(Channel::Receive), step.rate);
        EXPECT_EQ(rate(Channel::Send), 0);
    }
}

// A counter below the previous reading wrapped when it is less than 2^31 ahead modulo 2^32, else
// the interface restarted its counters. Neither gives a negative rate.
TEST_F(Sampler, CounterWrapAndReset) {
    struct Row {
        const char* name;
        std::int64_t before;
        std::int64_t after;
        std::int64_t rate;
    };
    const Row rows[] = {
        {"wrap", k2To32 - 1000, 500, 1500},
        {"wrap by almost half the range", k2To32 - 1, (k2To32 / 2) - 2, (k2To32 / 2) - 1},
        {"reset by exactly half the range", k2To32 - 1, (k2To32 / 2) - 1, (k2To32 / 2) - 1},
        {"reset to a small count", 2000000000, 800, 800},
        {"wrap from the upper half", 3000000000, 800, k2To32 - 3000000000 + 800},
        {"reset to zero", 123456, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TrafficSampler::clear();
        Widget widget(3);
        set(row.before, 10);
        TrafficSampler::resetHistory(widget.settings);
        set(row.after, 10);
        tickAfter(widget, 1000);
        EXPECT_EQ(rate(Channel::Receive), row.rate);
        EXPECT_EQ(widget.history(Channel::Receive)[2], row.rate);
        EXPECT_EQ(widget.maximum(Channel::Receive), row.rate);
        EXPECT_EQ(TrafficSampler::readings().totals[Channel::Receive], row.after);
        // and the tick after it is normal again
        set(row.after + 100, 10);
        tickAfter(widget, 1000);
        EXPECT_EQ(rate(Channel::Receive), 100);
    }
}

TEST_F(Sampler, HistoryScrollsLeftWithTheMaximumOfWhatItHolds) {
    Widget widget(3);
    set(0, 0);
    TrafficSampler::resetHistory(widget.settings);
    const std::int64_t steps[] = {300, 100, 200, 50, 0};
    const std::vector<std::int64_t> histories[] = {
        {0, 0, 300}, {0, 300, 100}, {300, 100, 200}, {100, 200, 50}, {200, 50, 0}};
    const std::int64_t maxima[] = {300, 300, 300, 200, 200};
    std::int64_t total = 0;
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        total += steps[i];
        set(total, 0);
        tickAfter(widget, 1000);
        EXPECT_EQ(widget.history(Channel::Receive), histories[i]);
        EXPECT_EQ(widget.maximum(Channel::Receive), maxima[i]);
        EXPECT_EQ(widget.maximum(Channel::Send), 0); // idle: nothing positive
    }
}

// The maximum stays while another column holds it, and a reset's zeroed history is looked at anew.
TEST_F(Sampler, TheMaximumFollowsTheColumnsThatHoldIt) {
    Widget widget(3);
    set(0, 0);
    TrafficSampler::resetHistory(widget.settings);
    const std::int64_t steps[] = {300, 300, 100, 50, 0, 0};
    const std::int64_t maxima[] = {300, 300, 300, 300, 100, 50};
    std::int64_t total = 0;
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        set(total += steps[i], 0);
        tickAfter(widget, 1000);
        EXPECT_EQ(widget.maximum(Channel::Receive), maxima[i]);
    }
    TrafficSampler::resetHistory(widget.settings);
    set(total + 20, 0);
    tickAfter(widget, 1000);
    EXPECT_EQ(widget.maximum(Channel::Receive), 20);
}

TEST_F(Sampler, WidthOneHoldsOnlyTheNewRate) {
    Widget widget(1);
    set(0, 0);
    TrafficSampler::resetHistory(widget.settings);
    const std::int64_t totals[] = {700, 700, 900};
    const std::int64_t expected[] = {700, 0, 200};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        set(totals[i], 0);
        tickAfter(widget, 1000);
        EXPECT_EQ(widget.history(Channel::Receive)[0], expected[i]);
        EXPECT_EQ(widget.maximum(Channel::Receive), expected[i]);
    }
}

TEST_F(Sampler, ResetZeroesHistoriesAndRebasesTheTotals) {
    Widget widget(3);
    set(0, 0);
    TrafficSampler::resetHistory(widget.settings);
    set(5000, 6000);
    tickAfter(widget, 1000);
    ASSERT_EQ(widget.history(Channel::Send)[2], 6000);
    // Another interface with far larger counters: no spike after the reset.
    set(900000, 800000);
    source.now += 300;
    TrafficSampler::resetHistory(widget.settings);
    for (int channel = 0; channel < Channel::Count; ++channel)
        EXPECT_EQ(widget.history(channel), (std::vector<std::int64_t>{0, 0, 0}));
    EXPECT_EQ(TrafficSampler::readings().rates[Channel::Send], 6000); // untouched until the tick
    set(901000, 800500);
    tickAfter(widget, 1000);
    EXPECT_EQ(rate(Channel::Receive), 1000);
    EXPECT_EQ(rate(Channel::Send), 500);
    EXPECT_EQ(widget.history(Channel::Receive), (std::vector<std::int64_t>{0, 0, 1000}));
}

TEST_F(Sampler, CostOfTheTotals) {
    struct Row {
        std::int64_t received, sent;
        double price;
        double cost;
    };
    const Row rows[] = {{1024, 1024, 1.0, 2.0},
                        {0, 0, 1.0, 0.0},
                        {1536, 0, 0.5, 0.75},
                        {k2To32 - 1, k2To32 - 1, 1.0, (2.0 * (k2To32 - 1)) / 1024.0},
                        {0, 0, HUGE_VAL, 0.0}}; // a price beyond the doubles: no bytes cost 0
    for (const Row& row : rows) {
        SCOPED_TRACE(row.cost);
        TrafficSampler::clear();
        Widget widget(2, 1000, row.price);
        set(0, 0);
        TrafficSampler::resetHistory(widget.settings);
        set(row.received, row.sent);
        tickAfter(widget, 1000);
        EXPECT_DOUBLE_EQ(TrafficSampler::readings().cost, row.cost);
    }
}

// A graph without history is skipped; one wider than the kept columns scrolls only those.
TEST_F(Sampler, NarrowGraphsAreSkippedAndWideOnesKeepTheNewestColumns) {
    const int widths[] = {0, -3, kHistoryMax + 10};
    for (int width : widths) {
        SCOPED_TRACE(width);
        TrafficSampler::clear();
        Widget widget(width);
        widget.settings.graphs[Channel::Send].maximum = 77;
        set(0, 0);
        TrafficSampler::resetHistory(widget.settings);
        set(3000, 0);
        tickAfter(widget, 1000);
        EXPECT_EQ(rate(Channel::Receive), 3000);
        if (width < 1) {
            EXPECT_EQ(widget.maximum(Channel::Send), 77);
            continue;
        }
        EXPECT_EQ(widget.history(Channel::Receive)[kHistoryMax - 1], 3000);
        EXPECT_EQ(widget.history(Channel::Receive).back(), 0);
    }
}

// A 64-bit counter that jumps by 2^62 - 1 in a quarter second is beyond any rate: held, never
// wrapped to a negative one.
TEST_F(Sampler, ARateBeyondTheRangeIsHeldAtItsTop) {
    Widget widget(2, 250);
    source.wide = true;
    set(0, 0);
    TrafficSampler::resetHistory(widget.settings);
    set((std::int64_t{1} << 62) - 1, 0);
    tickAfter(widget, 250);
    EXPECT_EQ(rate(Channel::Receive), INT64_MAX);
    EXPECT_EQ(widget.maximum(Channel::Receive), INT64_MAX);
    // Either side of 2^31 bytes a second, where the conversion changes width.
    for (const std::int64_t perSecond : {(std::int64_t{1} << 31) - 1, std::int64_t{1} << 31}) {
        const std::int64_t from = TrafficSampler::readings().totals[Channel::Receive];
        set(from + perSecond, 0);
        tickAfter(widget, 1000);
        EXPECT_EQ(rate(Channel::Receive), perSecond);
    }
}

TEST_F(Sampler, TickWithoutBaselineOnlyTakesOne) {
    Widget widget(2);
    set(123456789, 42);
    tickAfter(widget, 1000);
    EXPECT_EQ(rate(Channel::Receive), 0);
    EXPECT_EQ(TrafficSampler::readings().totals[Channel::Receive], 123456789);
    set(123457789, 42);
    tickAfter(widget, 1000);
    EXPECT_EQ(rate(Channel::Receive), 1000);
}

} // namespace
