// "Velnor.interface:": its values, and in the sampler, natively, when the default route is asked
// and what the sum of all interfaces gives each of them. The steps through the scripted library's
// table under Wine (interface_table_fake_test) walk a named interface, the route and the sum.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "traffic/clock.h"
#include "traffic/interface_choice.h"
#include "traffic/interface_table.h"
#include "traffic/route.h"
#include "traffic/sampler.h"

namespace {

struct Row {
    std::uint32_t index;
    std::int64_t in, out;
    std::string description;
    std::uint32_t type;
    bool connector;
};

struct Table {
    std::vector<Row> rows;
    std::vector<RowCounters> read;
    bool route;
    std::uint32_t routeIndex;
    int routeQuestions;
    std::int64_t now;
} table;

// The GUID of interface `index`, as the scripted library under Wine makes it.
void guidOf(std::uint32_t index, unsigned char* out) {
    const unsigned char guid[16] = {0, 0, 0,    0,    0,    0,    0,    0,
                                    0, 0, 0x4E, 0x65, 0x74, 0x44, 0x65, 0x76};
    std::memcpy(out, guid, 16);
    std::memcpy(out, &index, 4);
}

} // namespace

CounterReading InterfaceTable::counters(int) {
    return CounterReading{};
}

const RowCounters* InterfaceTable::readEveryRow(int& count) {
    table.read.clear();
    for (const Row& row : table.rows) {
        RowCounters counted{};
        counted.reading = CounterReading{true, row.index, true, {row.in, row.out}};
        counted.hasGuid = true;
        guidOf(row.index, counted.guid);
        counted.connector = row.connector;
        counted.type = row.type;
        table.read.push_back(counted);
    }
    count = static_cast<int>(table.read.size());
    return table.read.data();
}

bool InterfaceTable::lastReadFailed() {
    return false;
}

const char* InterfaceTable::rowDescription(int row) {
    return table.rows[static_cast<std::size_t>(row)].description.c_str();
}

bool DefaultRoute::ask(std::uint32_t& index) {
    ++table.routeQuestions;
    index = table.routeIndex;
    return table.route;
}

std::int64_t clockMicroseconds() {
    return table.now;
}

namespace {

constexpr std::uint32_t kEthernet = 6, kTunnel = 131;

class InterfaceChoiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        table = Table{};
        table.now = 1000000;
        table.rows = {{1, 1000, 100, "Loopback", kLoopbackType, false},
                      {2, 50000, 5000, "Ethernet", kEthernet, true},
                      {3, 70000, 7000, "Tunnel", kTunnel, false},
                      {4, 90000, 9000, "Wireless", kEthernet, true}};
        TrafficSampler::clear();
        settings.timer = 1000;
        settings.price = 1.0;
        for (Graph& graph : settings.graphs) {
            graph.width = 4;
            graph.history = history[&graph - settings.graphs];
        }
    }
    void choose(const char* text) {
        std::snprintf(settings.interfaceName, sizeof settings.interfaceName, "%s", text);
        TrafficSampler::resetHistory(settings);
    }
    Row& row(std::uint32_t index) {
        for (Row& row : table.rows)
            if (row.index == index)
                return row;
        return table.rows[0];
    }
    void tick() {
        table.now += 1000000;
        TrafficSampler::tick(settings);
    }
    std::int64_t received() const { return TrafficSampler::readings().rates[Channel::Receive]; }
    std::int64_t total() const { return TrafficSampler::readings().totals[Channel::Receive]; }

    WidgetSettings settings{};
    std::int64_t history[Channel::Count][4] = {};
};

TEST(InterfaceChoiceParse, Values) {
    const struct {
        const char* text;
        InterfaceMode mode;
        bool byGuid;
    } rows[] = {
        {"", InterfaceMode::Position, false},
        {"auto", InterfaceMode::Auto, false},
        {"ALL", InterfaceMode::All, false},
        {"{00000002-0000-0000-0000-4E6574446576}", InterfaceMode::Named, true},
        {"{00000002-0000-0000-0000-4e6574446576}", InterfaceMode::Named, true},
        {"{00000002-0000-0000-0000-4E657444657}", InterfaceMode::Named, false},
        {"{00000002-0000-0000-0000-4E65744465G6}", InterfaceMode::Named, false},
        {"autos", InterfaceMode::Named, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const InterfaceChoice choice = parseInterfaceChoice(row.text);
        EXPECT_EQ(choice.mode, row.mode);
        EXPECT_EQ(choice.byGuid, row.byGuid);
        if (row.byGuid) {
            unsigned char guid[16];
            guidOf(2, guid);
            EXPECT_EQ(std::memcmp(choice.guid, guid, 16), 0);
            char text[40];
            formatGuid(choice.guid, text, sizeof text);
            EXPECT_EQ(std::string(text), "{00000002-0000-0000-0000-4E6574446576}");
        }
    }
}

// The route's interface, asked at the reset, at a table change and every 5 s otherwise; a new one
// starts from its own baseline.
TEST_F(InterfaceChoiceTest, TheDefaultRouteThroughARouteChange) {
    table.route = true;
    table.routeIndex = 2;
    choose("auto");
    EXPECT_EQ(table.routeQuestions, 1);
    row(2).in += 400;
    tick();
    EXPECT_EQ(received(), 400);
    table.routeIndex = 4; // not yet asked: still the Ethernet's
    row(2).in += 100;
    tick();
    EXPECT_EQ(received(), 100);
    EXPECT_EQ(table.routeQuestions, 1);
    table.rows.push_back(Row{5, 1, 1, "Dock", kEthernet, true}); // the table changes: asked
    row(4).in += 700;
    tick();
    EXPECT_EQ(table.routeQuestions, 2);
    EXPECT_EQ(TrafficSampler::shown().index, 4u);
    EXPECT_EQ(received(), 0) << "a new interface starts its own baseline";
    EXPECT_EQ(history[Channel::Receive][1], 400) << "the graphs keep their history";
    row(4).in += 700;
    tick();
    EXPECT_EQ(received(), 700);
    table.route = false;
    for (int i = 0; i < 3; ++i)
        tick();
    EXPECT_EQ(table.routeQuestions, 2) << "four seconds after the last question";
    tick();
    EXPECT_EQ(table.routeQuestions, 3) << "five seconds after it";
    EXPECT_FALSE(TrafficSampler::shown().route);
    EXPECT_EQ(total(), 0);
}

// Only interfaces with a connector are added: not the loopback, not the tunnel whose traffic is
// the Ethernet's already. One joining or leaving moves no other's rate.
TEST_F(InterfaceChoiceTest, AllAddsThePhysicalInterfacesEachFromItsOwnBaseline) {
    choose("all");
    for (Row& each : table.rows)
        each.in += 1000;
    tick();
    EXPECT_EQ(received(), 2000);
    EXPECT_EQ(total(), 50000 + 1000 + 90000 + 1000);
    EXPECT_EQ(TrafficSampler::shown().counted, 2);
    table.rows.insert(table.rows.begin() + 2, Row{7, 4000000000, 1, "USB", kEthernet, true});
    row(2).in += 10;
    tick();
    EXPECT_EQ(received(), 10) << "a joining interface makes no spike";
    EXPECT_EQ(TrafficSampler::shown().counted, 3);
    table.rows.erase(table.rows.begin() + 1); // the Ethernet leaves
    row(7).in += 20;
    row(4).in += 30;
    tick();
    EXPECT_EQ(received(), 50);
    EXPECT_EQ(TrafficSampler::countedRate(TrafficSampler::shown().interfaces[1], Channel::Receive),
              30);
}

// Of two rows with one description, the one at the position chosen with it (the menu sets both).
TEST_F(InterfaceChoiceTest, OfTwoRowsWithOneDescriptionThePositionChosen) {
    row(4).description = "Ethernet";
    settings.adapter = 3;
    choose("Ethernet");
    EXPECT_EQ(TrafficSampler::shown().index, 4u);
    settings.adapter = 1; // the other one, picked from the menu with the same name
    choose("Ethernet");
    EXPECT_EQ(TrafficSampler::shown().index, 2u);
}

// The settings file keeps a name without the blanks its description has at either end.
TEST_F(InterfaceChoiceTest, ADescriptionIsFoundWithoutTheBlanksAtItsEnds) {
    for (const char* description : {"Wireless ", " Wireless", "Wireless\t"}) {
        row(4).description = description;
        choose("Wireless");
        EXPECT_EQ(TrafficSampler::shown().index, 4u) << '[' << description << ']';
    }
}

} // namespace
