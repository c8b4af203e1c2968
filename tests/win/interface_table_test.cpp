// The interface table against Wine's own GetIfTable: this machine's interfaces and live counters.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform.h"
#include <iprtrmib.h>

#include "support/loopback.h"
#include "traffic/interface_table.h"
#include "traffic/sampler.h"
#include "types.h"

namespace {

typedef DWORD(WINAPI* GetIfTableFn)(MIB_IFTABLE*, ULONG*, BOOL);

// The table as the system gives it, read without the module under test.
struct SystemTable {
    std::vector<unsigned char> bytes;
    const MIB_IFTABLE* table() const { return reinterpret_cast<const MIB_IFTABLE*>(bytes.data()); }
};

SystemTable readSystemTable() {
    HMODULE library = LoadLibraryA("Iphlpapi.dll");
    EXPECT_NE(library, nullptr);
    auto query = reinterpret_cast<GetIfTableFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetIfTable")));
    SystemTable result;
    ULONG size = 0;
    if (query != nullptr && query(nullptr, &size, TRUE) == ERROR_INSUFFICIENT_BUFFER) {
        result.bytes.resize(size);
        EXPECT_EQ(query(reinterpret_cast<MIB_IFTABLE*>(result.bytes.data()), &size, TRUE),
                  DWORD{NO_ERROR});
    }
    FreeLibrary(library);
    return result;
}

class RealInterfaceTable : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(InterfaceTable::load()); }
    void TearDown() override { InterfaceTable::release(); }
};

TEST_F(RealInterfaceTable, DescriptionsAreTheSystemsOwn) {
    SystemTable system = readSystemTable();
    ASSERT_FALSE(system.bytes.empty());
    int rows = static_cast<int>(system.table()->dwNumEntries);
    ASSERT_GE(rows, 1) << "this machine has at least the loopback interface";
    ASSERT_EQ(InterfaceTable::count(), rows);
    for (int i = 0; i < rows; ++i) {
        const MIB_IFROW& row = system.table()->table[i];
        // Wine's descriptions carry no terminating zero: the length alone ends them.
        std::string expected(reinterpret_cast<const char*>(row.bDescr), row.dwDescrLen);
        SCOPED_TRACE(expected);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(InterfaceTable::description(i), expected);
    }
}

// Wine's GetIfEntry2 gives each row's interface its full 64-bit counters, whose low halves are the
// row's own 32-bit ones: read a moment later, they are a little ahead modulo 2^32.
TEST_F(RealInterfaceTable, CountersAreTheRowsInterfacesIn64Bits) {
    SystemTable before = readSystemTable();
    int rows = InterfaceTable::count();
    ASSERT_EQ(rows, static_cast<int>(before.table()->dwNumEntries));
    for (int i = 0; i < rows; ++i) {
        SCOPED_TRACE(InterfaceTable::description(i));
        const MIB_IFROW& row = before.table()->table[i];
        CounterReading reading = InterfaceTable::counters(i);
        EXPECT_TRUE(reading.found);
        EXPECT_EQ(reading.index, row.dwIndex);
        EXPECT_TRUE(reading.wide);
        const DWORD before32[] = {row.dwInOctets, row.dwOutOctets};
        for (int channel = 0; channel < Channel::Count; ++channel) {
            std::uint32_t ahead =
                static_cast<std::uint32_t>(reading.octets[channel]) - before32[channel];
            EXPECT_GE(reading.octets[channel], std::int64_t{before32[channel]});
            EXPECT_LT(ahead, 0x80000000u);
        }
    }
}

TEST_F(RealInterfaceTable, PositionsOutsideTheTableReadNothing) {
    int rows = InterfaceTable::count();
    const int positions[] = {-1, rows, rows + 1, 0x7FFFFFFF, -0x7FFFFFFF - 1};
    for (int position : positions) {
        SCOPED_TRACE(position);
        EXPECT_STREQ(InterfaceTable::description(position), "");
        CounterReading reading = InterfaceTable::counters(position);
        EXPECT_FALSE(reading.found);
        EXPECT_EQ(reading.octets[Channel::Receive], 0);
        EXPECT_EQ(reading.octets[Channel::Send], 0);
    }
}

// The interface of the kernel's default IPv4 route (the lowest metric); empty when there is none.
std::string kernelDefaultRoute() {
    char text[16384];
    EXPECT_TRUE(readProcFile("Z:\\proc\\net\\route", text, sizeof text));
    std::string best;
    unsigned bestMetric = 0;
    for (char* line = std::strtok(text, "\n"); line != nullptr; line = std::strtok(nullptr, "\n")) {
        char name[64];
        unsigned destination, gateway, flags, references, use, metric, mask;
        if (std::sscanf(line, "%63s %x %x %x %u %u %u %x", name, &destination, &gateway, &flags,
                        &references, &use, &metric, &mask) == 8 &&
            destination == 0 && mask == 0 && (flags & 1) != 0 &&
            (best.empty() || metric < bestMetric)) {
            best = name;
            bestMetric = metric;
        }
    }
    return best;
}

// "Velnor.interface:" on Wine's own table: `auto` shows the interface the kernel routes to by
// default, `all` adds every interface but `lo`. The totals lie between the kernel's counts read
// just before and just after (traffic may pass meanwhile).
TEST_F(RealInterfaceTable, AutoAndAllAgainstTheKernel) {
    const std::string route = kernelDefaultRoute();
    const struct {
        const char* value;
        std::string kernelName; // the interface counted, or the one left out with `but`
        bool but;
    } cases[] = {{"auto", route, false}, {"all", "lo", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        WidgetSettings settings{};
        settings.timer = 1000;
        std::snprintf(settings.interfaceName, sizeof settings.interfaceName, "%s", c.value);
        std::int64_t before[Channel::Count], after[Channel::Count];
        int interfaces = 0;
        const bool counted = !c.kernelName.empty();
        if (counted) {
            ASSERT_TRUE(readKernelCounts(c.kernelName.c_str(), before[0], before[1], c.but));
        }
        TrafficSampler::clear();
        TrafficSampler::resetHistory(settings);
        if (counted) {
            ASSERT_TRUE(
                readKernelCounts(c.kernelName.c_str(), after[0], after[1], c.but, &interfaces));
        }
        const TrafficReadings& readings = TrafficSampler::readings();
        const ShownInterfaces& shown = TrafficSampler::shown();
        if (!c.but) {
            EXPECT_EQ(shown.route, counted) << "the kernel's default route: " << route;
            const char* description = InterfaceTable::descriptionOf(shown.index);
            EXPECT_EQ(std::string(description ? description : ""), route);
        } else {
            EXPECT_EQ(shown.counted, interfaces);
            for (int i = 0; i < shown.counted; ++i)
                EXPECT_STRNE(InterfaceTable::descriptionOf(shown.interfaces[i].index), "lo");
        }
        for (int channel = 0; channel < Channel::Count; ++channel) {
            if (!counted) {
                EXPECT_EQ(readings.totals[channel], 0);
                continue;
            }
            EXPECT_GE(readings.totals[channel], before[channel]);
            EXPECT_LE(readings.totals[channel], after[channel]);
        }
    }
    TrafficSampler::clear();
}

TEST(InterfaceTableLifecycle, ReleasedReadsNothingAndLoadsAgain) {
    ASSERT_TRUE(InterfaceTable::load());
    ASSERT_GE(InterfaceTable::count(), 1);
    std::string first = InterfaceTable::description(0);
    InterfaceTable::release();
    EXPECT_EQ(InterfaceTable::count(), 0);
    EXPECT_STREQ(InterfaceTable::description(0), "");
    EXPECT_FALSE(InterfaceTable::counters(0).found);
    InterfaceTable::release(); // twice is harmless
    ASSERT_TRUE(InterfaceTable::load());
    EXPECT_EQ(InterfaceTable::description(0), first);
    InterfaceTable::release();
}

} // namespace
