// The sampler on this machine's loopback interface, with Wine's own GetIfTable and GetIfEntry2,
// held against the kernel's counters for it (/proc/net/dev, seen as Z:\proc\net\dev): this
// process moves several GiB through 127.0.0.1, so that the 32-bit counters wrap, while the
// sampler ticks at 250 ms on a thread timer.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform.h"

#include "traffic/interface_table.h"
#include "traffic/sampler.h"
#include "types.h"
#include "support/import_hook.h"
#include "support/loopback.h"

namespace {

constexpr std::uint64_t kTransfer = std::uint64_t{6} << 30;
constexpr int kPeriod = 250;
constexpr int kChunk = 1 << 20;
constexpr std::int64_t k2To32 = std::int64_t{1} << 32;

struct KernelCounts {
    std::int64_t octets[Channel::Count];
};

bool readLoopback(KernelCounts& counts) {
    return readKernelCounts("lo", counts.octets[Channel::Receive], counts.octets[Channel::Send]);
}

double seconds() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One TCP connection over 127.0.0.1 within this process, a sender and a receiver thread.
struct Transfer {
    SOCKET sender = INVALID_SOCKET, receiver = INVALID_SOCKET;
    std::thread sending, receiving;
    std::atomic<bool> done{false};
    std::atomic<bool> failed{false};

    bool start(std::uint64_t bytes) {
        if (!connectLoopback(sender, receiver))
            return false;
        sending = std::thread([this, bytes] { run(sender, bytes, true); });
        receiving = std::thread([this, bytes] { run(receiver, bytes, false); });
        return true;
    }
    void run(SOCKET s, std::uint64_t bytes, bool send_) {
        std::vector<char> buffer(kChunk, 'v');
        for (std::uint64_t moved = 0; moved < bytes;) {
            int n = send_ ? send(s, buffer.data(), kChunk, 0) : recv(s, buffer.data(), kChunk, 0);
            if (n <= 0) {
                failed = true;
                break;
            }
            moved += static_cast<std::uint64_t>(n);
        }
        if (!send_)
            done = true;
    }
    ~Transfer() {
        if (sender != INVALID_SOCKET)
            closesocket(sender); // ends a receiver that still waits
        if (sending.joinable())
            sending.join();
        if (receiving.joinable())
            receiving.join();
        if (receiver != INVALID_SOCKET)
            closesocket(receiver);
    }
};

// The kernel's counts read just before and just after each tick bracket the sampler's reading.
struct TickRecord {
    double start;
    TrafficReadings readings;
    KernelCounts before, after;
};

FARPROC(WINAPI* realGetProcAddress)(HMODULE, LPCSTR) = nullptr;

FARPROC WINAPI withoutGetIfEntry2(HMODULE module, LPCSTR name) {
    if (reinterpret_cast<ULONG_PTR>(name) > 0xFFFF && std::strcmp(name, "GetIfEntry2") == 0)
        return nullptr;
    return realGetProcAddress(module, name);
}

class Loopback : public ::testing::Test {
  protected:
    int position = -1;
    std::vector<TickRecord> ticks;
    KernelCounts base{};

    static void SetUpTestSuite() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    static void TearDownTestSuite() { WSACleanup(); }
    void TearDown() override {
        InterfaceTable::release();
        if (realGetProcAddress)
            patchImport(GetModuleHandleA(nullptr), "kernel32.dll", "GetProcAddress",
                        reinterpret_cast<void*>(realGetProcAddress));
        realGetProcAddress = nullptr;
    }

    // Loads the table and finds `lo` in it; the reason when that cannot be done.
    std::string findLoopback() {
        KernelCounts counts;
        if (!readLoopback(counts))
            return "the kernel's counters of lo cannot be read from Z:\\proc\\net\\dev";
        // The kernel has lo, so Wine's table lists it: not finding it is the table's fault.
        EXPECT_TRUE(InterfaceTable::load());
        for (int i = 0; i < InterfaceTable::count() && position < 0; ++i)
            if (std::strcmp(InterfaceTable::description(i), "lo") == 0)
                position = i;
        EXPECT_GE(position, 0) << "the interface table has no row named lo";
        return position < 0 ? "the interface table has no row named lo" : "";
    }

    // Moves kTransfer bytes while the sampler ticks; the ticks up to the first that starts after
    // the transfer ended.
    void run() {
        WidgetSettings settings{};
        std::int64_t histories[Channel::Count][8] = {};
        settings.timer = kPeriod;
        settings.price = 1.0;
        settings.adapter = position;
        for (int channel = 0; channel < Channel::Count; ++channel) {
            settings.graphs[channel].width = 8;
            settings.graphs[channel].history = histories[channel];
        }
        TrafficSampler::clear();
        TrafficSampler::resetHistory(settings);
        ASSERT_TRUE(readLoopback(base));
        double began = seconds();
        Transfer transfer;
        ASSERT_TRUE(transfer.start(kTransfer)) << "no connection over 127.0.0.1";
        UINT_PTR timer = SetTimer(nullptr, 0, kPeriod, nullptr);
        ASSERT_NE(timer, 0u);
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (message.message != WM_TIMER)
                continue;
            bool ended = transfer.done || transfer.failed;
            TickRecord record{seconds(), {}, {}, {}};
            readLoopback(record.before);
            TrafficSampler::tick(settings);
            record.readings = TrafficSampler::readings();
            readLoopback(record.after);
            ticks.push_back(record);
            if (ended || ticks.size() > 400)
                break;
        }
        KillTimer(nullptr, timer);
        ASSERT_FALSE(transfer.failed);
        ASSERT_TRUE(transfer.done) << "the transfer took over 100 s";
        const KernelCounts& last = ticks.back().after;
        std::printf("%.2f GiB received on lo in %.2f s, %zu ticks\n",
                    static_cast<double>(last.octets[0] - base.octets[0]) / (1 << 30),
                    seconds() - began, ticks.size());
    }

    // Every rate against the kernel's bytes of its interval, and their sum over the run.
    void checkRates() {
        for (int channel = 0; channel < Channel::Count; ++channel) {
            SCOPED_TRACE(channel == Channel::Receive ? "received" : "sent");
            double sum = 0;
            double worst = 0;
            for (std::size_t i = 0; i < ticks.size(); ++i) {
                const TickRecord& tick = ticks[i];
                std::int64_t rate = tick.readings.rates[channel];
                sum += static_cast<double>(rate) * tick.readings.seconds;
                if (i == 0)
                    continue; // its interval began at the reset, not at a recorded tick
                double bytes = static_cast<double>(tick.after.octets[channel] -
                                                   ticks[i - 1].before.octets[channel]);
                double fair = bytes / (tick.start - ticks[i - 1].start);
                EXPECT_GE(rate, 0) << "tick " << i;
                EXPECT_LE(static_cast<double>(rate), 1.3 * fair) << "tick " << i;
                if (fair > 0 && static_cast<double>(rate) / fair > worst)
                    worst = static_cast<double>(rate) / fair;
            }
            double moved =
                static_cast<double>(ticks.back().after.octets[channel] - base.octets[channel]);
            EXPECT_NEAR(sum, moved, 0.02 * moved);
            std::printf("%s: rates x seconds %.0f, kernel %.0f (%+.3f%%), largest rate %.3f x "
                        "the kernel's bytes over the real interval\n",
                        channel == Channel::Receive ? "received" : "sent", sum, moved,
                        100.0 * (sum - moved) / moved, worst);
        }
    }

    // The largest traffic of one interval: what a reading may lag behind the kernel's.
    std::int64_t largestTick(int channel) const {
        std::int64_t largest = 0;
        for (std::size_t i = 1; i < ticks.size(); ++i)
            largest = std::max(largest,
                               ticks[i].after.octets[channel] - ticks[i - 1].after.octets[channel]);
        return largest;
    }

    // Each total trails the kernel's count read just after it by at most one tick's traffic,
    // modulo `range` where the counters wrap (0: they do not).
    void checkTotals(std::int64_t range) {
        for (int channel = 0; channel < Channel::Count; ++channel) {
            std::int64_t lag = largestTick(channel);
            for (std::size_t i = 0; i < ticks.size(); ++i) {
                std::int64_t behind =
                    ticks[i].after.octets[channel] - ticks[i].readings.totals[channel];
                if (range != 0)
                    behind = (behind % range + range) % range;
                EXPECT_GE(behind, 0) << "tick " << i;
                EXPECT_LE(behind, lag) << "tick " << i;
            }
        }
    }
};

TEST_F(Loopback, SixGiBIn64BitCountersMatchTheKernel) {
    std::string why = findLoopback();
    if (why.empty() && !GetProcAddress(GetModuleHandleA("Iphlpapi.dll"), "GetIfEntry2"))
        why = "this Wine's Iphlpapi.dll has no GetIfEntry2";
    if (!why.empty())
        GTEST_SKIP() << why;
    ASSERT_TRUE(InterfaceTable::counters(position).wide);
    ASSERT_NO_FATAL_FAILURE(run());
    checkRates();
    checkTotals(0);
    for (std::size_t i = 1; i < ticks.size(); ++i) // the cost never goes down while traffic flows
        EXPECT_GE(ticks[i].readings.cost, ticks[i - 1].readings.cost) << "tick " << i;
}

// Each tick moves far less than 2 GiB, so the 32-bit counters' wraps are told from resets.
TEST_F(Loopback, SixGiBThroughThe32BitFallback) {
    hookImport(realGetProcAddress, "kernel32.dll", "GetProcAddress", &withoutGetIfEntry2);
    ASSERT_NE(realGetProcAddress, nullptr);
    std::string why = findLoopback();
    if (!why.empty())
        GTEST_SKIP() << why;
    ASSERT_FALSE(InterfaceTable::counters(position).wide);
    ASSERT_NO_FATAL_FAILURE(run());
    checkRates();
    checkTotals(k2To32);
}

} // namespace
