// The interface table, and the sampler on it, against the scripted Iphlpapi.dll beside this test:
// rows chosen by the test in process or through the script file, tables that change between calls.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform.h"

#include "support/fake_iphlpapi_client.h"
#include "support/import_hook.h"
#include "traffic/clock.h"
#include "traffic/interface_table.h"
#include "traffic/sampler.h"
#include "types.h"
#include "win/win_files.h"

// The sampler's clock, moved by the test.
namespace {
std::int64_t testMicroseconds = 0;
}

std::int64_t clockMicroseconds() {
    return testMicroseconds;
}

namespace {

std::vector<FakeIfRow> numberedRows(int count) {
    std::vector<FakeIfRow> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(fakeIfRow(1000u * static_cast<std::uint32_t>(i),
                                 static_cast<std::uint32_t>(i), "if" + std::to_string(i)));
    return rows;
}

class FakeInterfaceTable : public ::testing::Test {
  protected:
    HMODULE fake = nullptr; // held so that the control functions stay valid across release()
    FakeIfTableSetRowsFn setRows = nullptr;
    FakeIfTableStatsFn stats = nullptr;

    void SetUp() override {
        SetEnvironmentVariableA(kFakeIfTableScriptVariable, nullptr);
        fake = LoadLibraryA("Iphlpapi.dll");
        ASSERT_NE(fake, nullptr);
        setRows = fakeIfTableSetRows();
        stats = fakeIfTableStats();
        ASSERT_NE(setRows, nullptr) << "Wine's own Iphlpapi.dll was loaded, not the fake";
        ASSERT_NE(stats, nullptr);
        fakeIfTableFail()(0);
    }
    void TearDown() override {
        InterfaceTable::release();
        SetEnvironmentVariableA(kFakeIfTableScriptVariable, nullptr);
        if (fake != nullptr)
            FreeLibrary(fake);
    }
    void set(const std::vector<FakeIfRow>& rows) {
        setRows(rows.data(), static_cast<int>(rows.size()));
    }
    FakeIfStats read() {
        FakeIfStats result{};
        stats(&result);
        return result;
    }
    // A 1 s timer and graphs over `histories`, then the sampler started afresh on them.
    template <int Width>
    void startSampler(WidgetSettings& settings, std::int64_t (&histories)[Channel::Count][Width]) {
        settings.timer = 1000;
        for (int channel = 0; channel < Channel::Count; ++channel) {
            settings.graphs[channel].width = Width;
            settings.graphs[channel].history = histories[channel];
        }
        TrafficSampler::clear();
        TrafficSampler::resetHistory(settings);
    }
};

// Interfaces added while running appear; the size handed in never exceeds the buffer.
TEST_F(FakeInterfaceTable, TableGrowsAndShrinksBetweenCalls) {
    set({}); // loaded while there is no interface at all
    ASSERT_TRUE(InterfaceTable::load());
    const int sizes[] = {0, 1, 3, 40, 2, 0, 64, 5};
    for (int rows : sizes) {
        SCOPED_TRACE(rows);
        set(numberedRows(rows));
        EXPECT_EQ(InterfaceTable::count(), rows);
        if (rows > 0) {
            EXPECT_EQ(InterfaceTable::description(rows - 1), "if" + std::to_string(rows - 1));
            CounterReading last = InterfaceTable::counters(rows - 1);
            EXPECT_EQ(last.octets[Channel::Receive], 1000 * (rows - 1));
            EXPECT_EQ(last.octets[Channel::Send], rows - 1);
        }
        EXPECT_STREQ(InterfaceTable::description(rows), "");
        EXPECT_FALSE(InterfaceTable::counters(rows).found);
        FakeIfStats now = read();
        EXPECT_EQ(now.oversized, 0u);
        EXPECT_GE(now.filled, 1u);
    }
}

TEST_F(FakeInterfaceTable, DescriptionsEndAtTheirLengthAndAtMost256Bytes) {
    std::string full(256, 'x');
    for (int i = 0; i < 256; ++i)
        full[static_cast<std::size_t>(i)] = static_cast<char>('A' + i % 26);
    struct Row {
        const char* name;
        std::string bytes;
        std::uint32_t length;
        std::string text;
    };
    const Row rows[] = {
        {"length shorter than the bytes", "eth0 and more", 4, "eth0"},
        {"all 256 bytes", full, 256, full},
        {"length beyond the row", full, 300, full},
        {"length far beyond", full, 0xFFFFFFFFu, full},
        {"empty", "ignored", 0, ""},
        {"blanks kept", " lo  ", 5, " lo  "},
    };
    std::vector<FakeIfRow> table;
    for (const Row& row : rows) {
        table.push_back(fakeIfRow(1, 2, row.bytes));
        table.back().descrLen = row.length;
    }
    set(table);
    ASSERT_TRUE(InterfaceTable::load());
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        const char* text = InterfaceTable::description(static_cast<int>(i));
        EXPECT_EQ(std::string(text), rows[i].text);
        EXPECT_LE(std::strlen(text), 256u);
    }
}

TEST_F(FakeInterfaceTable, CountersWidenWithoutSignExtension) {
    struct Row {
        std::uint32_t in, out;
    };
    const Row rows[] = {{0, 0}, {0x7FFFFFFFu, 0x80000000u}, {0xFFFFFFFFu, 1}};
    std::vector<FakeIfRow> table;
    for (const Row& row : rows)
        table.push_back(fakeIfRow(row.in, row.out, "x"));
    set(table);
    ASSERT_TRUE(InterfaceTable::load());
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        CounterReading reading = InterfaceTable::counters(static_cast<int>(i));
        EXPECT_EQ(reading.octets[Channel::Receive], std::int64_t{rows[i].in});
        EXPECT_EQ(reading.octets[Channel::Send], std::int64_t{rows[i].out});
    }
}

// The row's own interface number asks for the 64-bit counters; where the library has none for it,
// the row's 32-bit ones stay.
TEST_F(FakeInterfaceTable, CountersOfTheRowsInterfaceIn64BitsWhereGiven) {
    const std::uint64_t big = (std::uint64_t{1} << 40) + 5;
    const std::uint64_t huge = ~std::uint64_t{0};
    set({fakeWideRow(7, big, big + 1, "eth0"), fakeIfRow(1000, 2000, "tun0"),
         fakeWideRow(12, huge, 3, "odd")});
    ASSERT_TRUE(InterfaceTable::load());
    struct Row {
        std::uint32_t index;
        bool wide;
        std::int64_t in, out;
    };
    const Row rows[] = {{7, true, std::int64_t(big), std::int64_t(big + 1)},
                        {2, false, 1000, 2000},
                        {12, true, (std::int64_t{1} << 62) - 1, 3}}; // held below 2^62
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        CounterReading reading = InterfaceTable::counters(i);
        EXPECT_TRUE(reading.found);
        EXPECT_EQ(reading.index, rows[i].index);
        EXPECT_EQ(reading.wide, rows[i].wide);
        EXPECT_EQ(reading.octets[Channel::Receive], rows[i].in);
        EXPECT_EQ(reading.octets[Channel::Send], rows[i].out);
    }
    EXPECT_EQ(read().calls, 4u) << "one table query per reading (and the load's size query)";
}

// A query that reports a failure leaves the rows of the last one: the menu still lists them, but
// their counters would be stale and are no reading.
TEST_F(FakeInterfaceTable, AFailedQueryGivesNoReading) {
    set({fakeWideRow(1, 500, 600, "lo")});
    ASSERT_TRUE(InterfaceTable::load());
    ASSERT_TRUE(InterfaceTable::counters(0).found);
    fakeIfTableFail()(2);
    EXPECT_FALSE(InterfaceTable::counters(0).found);
    EXPECT_STREQ(InterfaceTable::description(0), "lo");
    EXPECT_EQ(InterfaceTable::counters(0).octets[Channel::Send], 600);
}

int localAllocsRefused = 0;
HLOCAL WINAPI noLocalMemory(UINT, SIZE_T) {
    ++localAllocsRefused;
    return nullptr;
}

// A buffer that cannot be had at load is made by the first reading; the start does not fail.
TEST_F(FakeInterfaceTable, ABufferThatCannotBeHadAtLoadIsMadeByTheFirstReading) {
    set({fakeWideRow(1, 500, 600, "lo")});
    {
        ImportHook noMemory("kernel32.dll", "LocalAlloc", &noLocalMemory);
        ASSERT_TRUE(InterfaceTable::load());
    }
    ASSERT_GT(localAllocsRefused, 0) << "the load asked for no memory: nothing was refused";
    EXPECT_EQ(InterfaceTable::counters(0).octets[Channel::Send], 600);
}

// The script another process would write: re-read on every call.
TEST_F(FakeInterfaceTable, ScriptFileNamedByTheEnvironment) {
    set({fakeIfRow(1, 1, "in process")});
    const char* path = "iftable.txt";
    ASSERT_TRUE(writeFile(path, "# in out description\n"
                                "100 200 Loopback Pseudo-Interface 1\n"
                                "\n"
                                "4294967295 0 eth0\r\n"
                                "not a row\n"
                                "7 8\n"
                                "4294967296 1 too large\n"
                                "9 10   wide  gap"));
    SetEnvironmentVariableA(kFakeIfTableScriptVariable, path);
    ASSERT_TRUE(InterfaceTable::load());
    ASSERT_EQ(InterfaceTable::count(), 4);
    struct Row {
        std::int64_t in, out;
        const char* text;
    };
    const Row rows[] = {{100, 200, "Loopback Pseudo-Interface 1"},
                        {4294967295, 0, "eth0"},
                        {7, 8, ""},
                        {9, 10, "wide  gap"}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(rows[i].text);
        CounterReading reading = InterfaceTable::counters(i);
        EXPECT_EQ(reading.octets[Channel::Receive], rows[i].in);
        EXPECT_EQ(reading.octets[Channel::Send], rows[i].out);
        EXPECT_STREQ(InterfaceTable::description(i), rows[i].text);
    }
    EXPECT_GT(read().scriptErrors, 0u);

    ASSERT_TRUE(writeFile(path, "150 260 Loopback Pseudo-Interface 1\n"));
    EXPECT_EQ(InterfaceTable::count(), 1);
    EXPECT_EQ(InterfaceTable::counters(0).octets[Channel::Receive], 150);

    // A file that cannot be read keeps the last good rows.
    DeleteFileA(path);
    EXPECT_EQ(InterfaceTable::counters(0).octets[Channel::Send], 260);

    SetEnvironmentVariableA(kFakeIfTableScriptVariable, nullptr);
    EXPECT_STREQ(InterfaceTable::description(0), "in process");
}

// The widget shows the row at position 1 through a run of table changes, one tick a second. Each
// rate is that tick's traffic of one interface counted one way, or 0 where it cannot be.
TEST_F(FakeInterfaceTable, SamplerRatesThroughTableChanges) {
    const std::uint64_t k4GiB = std::uint64_t{1} << 32;
    const FakeIfRow first = fakeWideRow(1, 10 * k4GiB, 0, "lo");
    auto row = [](std::uint32_t index, std::uint64_t in, bool wide) {
        FakeIfRow r = fakeWideRow(index, in, 0, "if" + std::to_string(index));
        r.wide = wide;
        return r;
    };
    struct Step {
        const char* name;
        std::vector<FakeIfRow> rows;
        int failures; // table queries that fail from this tick on
        std::int64_t rate;
        std::int64_t total;
    };
    const Step steps[] = {
        {"6 GiB in one tick",
         {first, row(2, 5 * k4GiB + 6 * k4GiB / 4, true)},
         0,
         6 * k4GiB / 4,
         5 * k4GiB + 6 * k4GiB / 4},
        {"a row added before it", {first, row(3, 7000, true), row(2, 0, true)}, 0, 0, 7000},
        {"the new interface", {first, row(3, 8000, true), row(2, 0, true)}, 0, 1000, 8000},
        {"its 64-bit counter reset", {first, row(3, 300, true)}, 0, 300, 300},
        {"no 64 bits for it", {first, row(3, 800, false)}, 0, 0, 800},
        {"32 bits", {first, row(3, 1800, false)}, 0, 1000, 1800},
        {"64 bits again", {first, row(3, 2800, true)}, 0, 0, 2800},
        {"queries fail: the total as last read", {first, row(3, 3800, true)}, 2, 0, 2800},
        {"still failing", {first, row(3, 4800, true)}, 0, 0, 2800},
        {"recovered: the 3 s since", {first, row(3, 902800, true)}, 0, 300000, 902800},
        {"and rates again", {first, row(3, 906800, true)}, 0, 4000, 906800},
    };
    set({first, row(2, 5 * k4GiB, true)});
    ASSERT_TRUE(InterfaceTable::load());
    WidgetSettings settings{};
    std::int64_t histories[Channel::Count][4] = {};
    settings.price = 1.0;
    settings.adapter = 1;
    startSampler(settings, histories);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        set(step.rows);
        if (step.failures > 0)
            fakeIfTableFail()(step.failures);
        testMicroseconds += 1000000;
        TrafficSampler::tick(settings);
        const TrafficReadings& readings = TrafficSampler::readings();
        EXPECT_EQ(readings.rates[Channel::Receive], step.rate);
        EXPECT_EQ(readings.totals[Channel::Receive], step.total);
        EXPECT_EQ(readings.rates[Channel::Send], 0);
    }
}

// "Velnor.interface:" through the table's rows, types and connector flags and the route question
// of the scripted library: each step sets the rows and the route, ticks a second later and reads
// the receive rate, the total and what is shown (the interface number, 0 for none; with `all`,
// how many interfaces were added). A tick reads the table once, and no entry of its own; a step
// may make one query of it fail.
struct ChoiceStep {
    const char* name;
    std::vector<FakeIfRow> rows;
    std::uint32_t route;
    std::int64_t rate, total;
    std::uint32_t shown;
    FakeIfTableFailFn fail = nullptr;
};

constexpr std::uint32_t kLoopback = 24, kEthernet = 6, kTunnel = 131, kWireless = 71;

FakeIfRow lo(std::uint64_t in) {
    return fakeKindRow(1, in, 0, "Loopback", kLoopback, false);
}
FakeIfRow eth(std::uint64_t in) {
    return fakeKindRow(2, in, 0, "Ethernet", kEthernet, true);
}
FakeIfRow tun(std::uint64_t in) {
    return fakeKindRow(3, in, 0, "Tunnel", kTunnel, false);
}
FakeIfRow wifi(std::uint64_t in) {
    return fakeKindRow(4, in, 0, "Wireless", kWireless, true);
}
FakeIfRow dock(std::uint64_t in) {
    return fakeKindRow(9, in, 0, "Dock", kEthernet, true);
}
FakeIfRow bare(FakeIfRow row) {
    row.connector = 0;
    return row;
}
FakeIfRow filtered(FakeIfRow row) {
    row.index = 10;
    row.filter = 1;
    return row;
}

class FakeInterfaceChoice : public FakeInterfaceTable {
  protected:
    void run(const char* choice, const std::vector<FakeIfRow>& rows, std::uint32_t route,
             const std::vector<ChoiceStep>& steps) {
        set(rows);
        fakeIfRouteSet()(route);
        ASSERT_TRUE(InterfaceTable::load());
        std::snprintf(settings.interfaceName, sizeof settings.interfaceName, "%s", choice);
        startSampler(settings, histories);
        for (const ChoiceStep& step : steps) {
            SCOPED_TRACE(step.name);
            set(step.rows);
            fakeIfRouteSet()(step.route);
            if (step.fail)
                step.fail(1);
            testMicroseconds += 1000000;
            TrafficSampler::tick(settings);
            const TrafficReadings& readings = TrafficSampler::readings();
            const ShownInterfaces& shown = TrafficSampler::shown();
            EXPECT_EQ(readings.rates[Channel::Receive], step.rate);
            EXPECT_EQ(readings.totals[Channel::Receive], step.total);
            EXPECT_EQ(shown.mode == InterfaceMode::All ? static_cast<std::uint32_t>(shown.counted)
                                                       : shown.index,
                      step.shown);
            const FakeIfStats seen = read();
            EXPECT_EQ(seen.entryCalls, 0u);
            if (step.fail)
                continue;
            EXPECT_EQ(seen.filled, 1u) << "one reading of the table (two calls when it grew)";
            EXPECT_EQ(seen.wideTableCalls, 1u);
        }
        fakeIfRouteSet()(0);
    }
    WidgetSettings settings{};
    std::int64_t histories[Channel::Count][8] = {};
};

// Only the interfaces with a connector: not the loopback, not the tunnel or a filter row whose
// traffic is an adapter's already. One joining (4 GB counted already) or leaving moves no other's
// rate; with no connector reported anywhere, every interface but the loopback, the tunnel from its
// own baseline.
TEST_F(FakeInterfaceChoice, AllAddsThePhysicalInterfaces) {
    run("all", {lo(1000), eth(50000), tun(70000), wifi(90000)}, 0,
        {{"each moves 1000", {lo(2000), eth(51000), tun(71000), wifi(91000)}, 0, 2000, 142000, 2},
         {"a dock joins",
          {lo(2000), eth(51010), dock(4000000000), tun(71000), wifi(91000)},
          0,
          10,
          4000142010,
          3},
         {"the Ethernet leaves",
          {lo(2000), dock(4000000020), tun(71000), wifi(91030)},
          0,
          50,
          4000091050,
          2},
         {"a filter row on the Wi-Fi, its traffic again",
          {lo(2000), dock(4000000020), tun(71000), wifi(91030), filtered(wifi(91030))},
          0,
          0,
          4000091050,
          2},
         {"no connector reported",
          {bare(lo(2001)), bare(dock(4000000021)), bare(tun(71001)), bare(wifi(91031))},
          0,
          2,
          4000162053,
          3},
         {"and the tunnel's rate",
          {bare(lo(2006)), bare(dock(4000000026)), bare(tun(71006)), bare(wifi(91036))},
          0,
          15,
          4000162068,
          3}});
}

// A tick that cannot read the table (or, for a choice by name, the 64-bit one) shows no rate and
// keeps the totals and the interface shown; the next reading rates the 2 s since the last.
TEST_F(FakeInterfaceChoice, AFailedReadingKeepsTheFigures) {
    run("all", {eth(1000), wifi(5000)}, 0,
        {{"the table fails", {eth(2000), wifi(6000)}, 0, 0, 6000, 2, fakeIfTableFail()},
         {"the 2 s since", {eth(3000), wifi(9000)}, 0, 3000, 12000, 2}});
    run("Wireless", {eth(1000), wifi(5000)}, 0,
        {{"the 64-bit table fails", {eth(2000), wifi(6000)}, 0, 0, 5000, 4, fakeIfTable2Fail()},
         {"the 2 s since", {eth(3000), wifi(9000)}, 0, 2000, 9000, 4}});
}

// The route's interface; asked again when the table changes, and a new one starts from its own
// baseline while the graphs keep their history. No route: zeros.
TEST_F(FakeInterfaceChoice, AutoFollowsTheDefaultRoute) {
    run("auto", {lo(0), eth(1000), wifi(5000)}, 2,
        {{"the Ethernet's", {lo(0), eth(1400), wifi(5000)}, 2, 400, 1400, 2},
         {"the route moved, not asked yet", {lo(0), eth(1500), wifi(5700)}, 4, 100, 1500, 2},
         {"the table changed: the Wi-Fi's", {lo(0), eth(1500), wifi(6400), dock(1)}, 4, 0, 6400, 4},
         {"its rate", {lo(0), eth(1500), wifi(7100), dock(1)}, 4, 700, 7100, 4},
         {"no route", {lo(0), eth(1500), wifi(7800)}, 0, 0, 0, 0},
         {"a route again, not asked yet", {lo(0), eth(1600), wifi(7800)}, 2, 0, 0, 0}});
    const std::int64_t kept[8] = {0, 0, 400, 100, 0, 700, 0, 0};
    for (int column = 0; column < 8; ++column)
        EXPECT_EQ(histories[Channel::Receive][column], kept[column]) << column;
    // Found by its number while its row moves; zeros while it is away, a new baseline when back.
    run("auto", {lo(0), eth(1000), wifi(5000)}, 2,
        {{"a row before it leaves", {eth(1300), wifi(5000)}, 2, 300, 1300, 2},
         {"it leaves", {wifi(5000)}, 2, 0, 0, 0},
         {"it is back", {lo(0), eth(9000), wifi(5000)}, 2, 0, 9000, 2}});
}

// By GUID and by description: the interface wherever it stands, zeros while it is away, and a new
// baseline when it is back.
TEST_F(FakeInterfaceChoice, ANamedInterfaceThroughAShiftLeavingAndComingBack) {
    for (const char* name : {"{00000004-0000-0000-0000-4e6574446576}", "Wireless"}) {
        SCOPED_TRACE(name);
        run(name, {lo(0), eth(0), wifi(5000)}, 0,
            {{"its rate", {lo(0), eth(0), wifi(6000)}, 0, 1000, 6000, 4},
             {"a row before it", {dock(7), lo(0), eth(0), wifi(8000)}, 0, 2000, 8000, 4},
             {"it leaves", {dock(7), lo(0), eth(0)}, 0, 0, 0, 0},
             {"it is back", {lo(0), wifi(508000), eth(0)}, 0, 0, 508000, 4},
             {"its rate again", {lo(0), wifi(508300), eth(0)}, 0, 300, 508300, 4}});
    }
}

} // namespace
