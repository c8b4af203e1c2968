// The usage ledger of the real Velnor.dll on this machine's loopback interface, with Wine's own
// interface queries: traffic moved while a shell runs and while none does, across a shell killed
// without its stop entry and one stopped cleanly, held against the kernel's counters of lo.
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "plugin_e2e_rig.h"
#include "shell.h"
#include "support/loopback.h"
#include "usage/ledger.h"
#include "usage/ledger_file.h"
#include "win/win_files.h"

namespace {

// Moved in each half, while the shell runs and while none does: 1.25 GiB each way in all.
constexpr std::uint64_t kHalf = std::uint64_t{640} << 20;
constexpr int kChunk = 1 << 20;

// `bytes` through one TCP connection over 127.0.0.1; false when it broke.
bool moveLoopback(std::uint64_t bytes) {
    SOCKET sender, receiver;
    if (!connectLoopback(sender, receiver))
        return false;
    bool sent = true;
    std::thread sending([&] {
        std::vector<char> buffer(kChunk, 'v');
        for (std::uint64_t moved = 0; moved < bytes && sent;) {
            const int n = send(sender, buffer.data(), kChunk, 0);
            sent = n > 0;
            moved += n > 0 ? static_cast<std::uint64_t>(n) : 0;
        }
    });
    std::vector<char> buffer(kChunk);
    std::uint64_t received = 0;
    while (received < bytes) {
        const int n = recv(receiver, buffer.data(), kChunk, 0);
        if (n <= 0)
            break;
        received += static_cast<std::uint64_t>(n);
    }
    closesocket(sender);
    sending.join();
    closesocket(receiver);
    return received == bytes;
}

struct Kernel {
    std::int64_t octets[2];
};

Kernel kernelLo() {
    Kernel counts{{-1, -1}};
    readKernelCounts("lo", counts.octets[0], counts.octets[1]);
    return counts;
}

// What the ledger file holds for the interface described as `lo`: the bytes of all its days and
// the raw counters it last read.
struct LedgerLo {
    bool found;
    std::int64_t bytes[2];
    UsageCheckpoint checkpoint;
};

LedgerLo ledgerLo(const std::string& path) {
    const std::string text = readFile(path, "");
    UsageLedger ledger{};
    LedgerLo lo{};
    const bool ok = !text.empty() && readLedger(text.data(), text.size(), ledger).ok;
    for (std::int32_t i = 0; ok && i < ledger.interfaceCount; ++i)
        if (std::strcmp(ledger.interfaces[i].description, "lo") == 0) {
            lo.found = ledger.interfaces[i].hasCheckpoint;
            lo.checkpoint = ledger.interfaces[i].checkpoint;
            totals(ledger, i, INT32_MIN, INT32_MAX, lo.bytes);
        }
    freeLedger(ledger);
    return lo;
}

class UsageE2e : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    static void TearDownTestSuite() { WSACleanup(); }
};

struct DownCase {
    const char* name;
    bool killed; // else stopped through its stop entry
};

TEST_F(UsageE2e, LoopbackBytesOfEveryShellAndOfTheTimeBetweenAreCountedOnce) {
    ASSERT_GE(kernelLo().octets[0], 0) << "the kernel's counters of lo cannot be read";
    const DownCase cases[] = {{"killed", true}, {"stopped", false}};
    for (const DownCase& c : cases) {
        SCOPED_TRACE(c.name);
        E2eRun run;
        run.folder = std::string("usage_") + c.name;
        run.iphlpapi = Iphlpapi::Wine;
        run.settings = "Velnor.period: day\nVelnor.timer: 250\n";
        run.script = {"start free", "run"};
        CreateDirectoryA(run.folder.c_str(), nullptr);
        const std::string ledger = run.folder + "\\Velnor.usage";
        DeleteFileA(ledger.c_str());

        // Other programs move traffic through lo too, so the widget's first and last readings
        // are bracketed by the kernel's counts: its checkpoints must lie between them, and the
        // ledger must hold exactly the traffic between its checkpoints, which contains ours.
        const Kernel beforeStart = kernelLo();
        E2eProcess first;
        ASSERT_TRUE(e2eLaunch(run, first));
        ASSERT_NE(e2eWaitForLine(run.folder, "> beginPlugin -> 0"), 0u);
        const Kernel afterStart = kernelLo();
        const LedgerLo started = ledgerLo(ledger);
        ASSERT_TRUE(started.found) << readFile(ledger, "(no ledger)");
        ASSERT_TRUE(moveLoopback(kHalf));
        Sleep(600);
        ASSERT_TRUE(c.killed ? e2eKill(first) : e2eQuit(first));
        const int ended = e2eFinish(first);
        EXPECT_EQ(findLine(e2eLog(run.folder), "> endPlugin") >= 0, !c.killed);
        if (!c.killed) {
            EXPECT_EQ(ended, 0);
        }

        ASSERT_TRUE(moveLoopback(kHalf));
        const Kernel beforeLast = kernelLo();
        E2eProcess second;
        ASSERT_TRUE(e2eLaunch(run, second));
        ASSERT_NE(e2eWaitForLine(run.folder, "> beginPlugin -> 0"), 0u);
        Sleep(600);
        ASSERT_TRUE(e2eQuit(second));
        ASSERT_EQ(e2eFinish(second), 0);
        ASSERT_GE(findLine(e2eLog(run.folder), "> endPlugin done"), 0);
        const Kernel afterLast = kernelLo();

        const LedgerLo last = ledgerLo(ledger);
        ASSERT_TRUE(last.found) << readFile(ledger, "(no ledger)");
        EXPECT_TRUE(started.checkpoint.wide && last.checkpoint.wide);
        for (int channel = 0; channel < 2; ++channel) {
            SCOPED_TRACE(channel == 0 ? "received" : "sent");
            const std::int64_t from = started.checkpoint.counters[channel];
            const std::int64_t to = last.checkpoint.counters[channel];
            EXPECT_LE(beforeStart.octets[channel], from);
            EXPECT_LE(from, afterStart.octets[channel]);
            EXPECT_LE(beforeLast.octets[channel], to);
            EXPECT_LE(to, afterLast.octets[channel]);
            const double moved = static_cast<double>(to - from);
            EXPECT_GE(moved, 2.0 * static_cast<double>(kHalf));
            EXPECT_NEAR(static_cast<double>(last.bytes[channel]), moved, 0.001 * moved);
            std::printf(
                "%s, %s: ledger %lld, kernel between the checkpoints %lld (%+lld), of "
                "which ours %lld; kernel from before the first start to after the last "
                "stop %lld\n",
                c.name, channel == 0 ? "received" : "sent",
                static_cast<long long>(last.bytes[channel]), static_cast<long long>(to - from),
                static_cast<long long>(last.bytes[channel] - (to - from)),
                static_cast<long long>(2 * kHalf),
                static_cast<long long>(afterLast.octets[channel] - beforeStart.octets[channel]));
        }
    }
}

} // namespace
