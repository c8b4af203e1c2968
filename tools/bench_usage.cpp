#include "bench_usage.h"

// Before the IP helper header, whose COM headers make "interface" a keyword.
#include "usage/calendar.h"
#include "usage/keeper.h"
#include "usage/ledger.h"
#include "usage/ledger_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform.h"
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include "bench_alloc.h"
#include "bench_timing.h"
#include "bench_usage_window.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "support/fake_iphlpapi_client.h"
#include "traffic/sampler.h"
#include "widget/cap_watch.h"

namespace {

constexpr int kInterfaces = 8;
constexpr const char* kMonthTick = "tick, period month, 8 interfaces";
constexpr const char* kCappedTick = "tick, period month, 8 interfaces, a cap";
constexpr const char* kSave = "save of a full ledger (400 days x 8)";
constexpr const char* kUsageWindow = "usage window picture";
constexpr const char* kAllTick = "tick, interface all, 8 interfaces";

struct UsageBench {
    FakeIfTableSetRowsFn setRows;
    FakeIfTableStatsFn stats;
    FakeIfRow rows[kInterfaces];
    DWORD(WINAPI* table)(MIB_IFTABLE*, ULONG*, BOOL);
    DWORD(WINAPI* wideTable)(MIB_IF_TABLE2**);
    void(WINAPI* freeTable)(void*);
    std::vector<unsigned char> buffer;
    char folder[MAX_PATH + 40];
};
UsageBench bench;

// Every interface moved a little since the last tick, as on a busy machine.
void moveTraffic() {
    for (int i = 0; i < kInterfaces; ++i) {
        bench.rows[i].inOctets64 += 1500u * static_cast<unsigned>(i + 1);
        bench.rows[i].outOctets64 += 700u * static_cast<unsigned>(i + 1);
        bench.rows[i].inOctets = static_cast<std::uint32_t>(bench.rows[i].inOctets64);
        bench.rows[i].outOctets = static_cast<std::uint32_t>(bench.rows[i].outOctets64);
    }
    bench.setRows(bench.rows, kInterfaces);
}

// The calls a tick that counts every interface cannot do without: the two queries, and the two
// clocks (the rate's time, and the uptime that times the next save, where a ledger is kept).
void floorQueries(bool uptime = true) {
    LARGE_INTEGER time;
    QueryPerformanceCounter(&time);
    if (uptime)
        GetTickCount64();
    ULONG size = static_cast<ULONG>(bench.buffer.size());
    bench.table(reinterpret_cast<MIB_IFTABLE*>(bench.buffer.data()), &size, TRUE);
    MIB_IF_TABLE2* wide = nullptr;
    if (bench.wideTable(&wide) == NO_ERROR)
        bench.freeTable(wide);
}

bool prepareQueries(const char* module) {
    HMODULE library = GetModuleHandleA(module);
    bench.setRows = fakeIfTableSetRows(module);
    bench.stats = fakeIfTableStats(module);
    if (!library || !bench.setRows || !bench.stats)
        return false;
    bench.table = reinterpret_cast<decltype(bench.table)>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetIfTable")));
    bench.wideTable = reinterpret_cast<decltype(bench.wideTable)>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetIfTable2")));
    bench.freeTable = reinterpret_cast<decltype(bench.freeTable)>(
        reinterpret_cast<void*>(GetProcAddress(library, "FreeMibTable")));
    for (int i = 0; i < kInterfaces; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "eth%d", i);
        bench.rows[i] = fakeWideRow(static_cast<std::uint32_t>(i + 1), 1000000, 2000000, name);
    }
    moveTraffic();
    ULONG size = 0;
    if (!bench.table || !bench.wideTable || !bench.freeTable ||
        bench.table(nullptr, &size, TRUE) != ERROR_INSUFFICIENT_BUFFER)
        return false;
    bench.buffer.assign(size, 0);
    return true;
}

bool writeText(const char* path, const char* text, std::size_t length) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(text, 1, length, file) == length;
    return std::fclose(file) == 0 && written;
}

// The ledger the scripted table's interfaces would have after 400 busy days.
bool writeFullLedger(const char* path) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::int32_t today = dayNumber(now.wYear, now.wMonth, now.wDay);
    UsageLedger ledger{};
    bool filled = true;
    for (int i = 0; i < kInterfaces; ++i) {
        char id[40];
        std::snprintf(id, sizeof id, "{%08X-0000-0000-0000-4E6574446576}", i + 1);
        const std::int32_t added =
            findOrAddInterface(ledger, id, std::strlen(id), id + 30, std::strlen(id + 30));
        for (std::int32_t day = today - kKeptDays + 1; day <= today && added >= 0; ++day) {
            const std::int64_t bytes[2] = {123456789012LL + day, 9876543210LL + i};
            filled = addBytes(ledger, added, day, false, bytes) && filled;
        }
        filled = added >= 0 && filled;
    }
    std::size_t length = 0;
    char* text = filled ? writeLedger(ledger, length) : nullptr;
    const bool written = text != nullptr && writeText(path, text, length);
    std::free(text);
    freeLedger(ledger);
    return written;
}

// The tick's work; with a cap, the watch of its thresholds too.
template <bool capped> void countedTick() {
    moveTraffic();
    TrafficSampler::tick();
    UsageKeeper::count();
    if (capped)
        watchCap();
}

template <bool capped> void monthTick(const char* what, int rounds, int scale, bool& failed) {
    // Three times the rounds: a tick is a few microseconds, and its goal leaves little room.
    const Pair pair = measure(3 * rounds, 200 * scale, countedTick<capped>, [] {
        moveTraffic();
        floorQueries();
    });
    printRatio(what, "2 queries, 2 clocks, scripted", pair, 1.10);

    startCountingAllocations();
    const int ticks = 1000;
    for (int i = 0; i < ticks; ++i)
        countedTick<capped>();
    const AllocationTally tally = stopCountingAllocations();
    std::printf("%-44s %10.3f (%ld in %d ticks; goal 0)\n", "  heap allocations per tick",
                static_cast<double>(tally.widget) / ticks, tally.widget, ticks);
    if (tally.widget != 0)
        failed = true;
}

void saveTime(int rounds, const char* ledgerPath, bool& failed) {
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        const double start = now();
        UsageKeeper::save();
        times.push_back(now() - start);
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(ledgerPath, GetFileExInfoStandard, &data) ||
        UsageKeeper::status()[0] != '\0') {
        std::printf("%-44s not measured: %s\n", kSave, UsageKeeper::status());
        failed = true;
        return;
    }
    std::printf("%-44s %10.2f ms  (%lu bytes; median of %d saves)\n", kSave, median(times) * 1e3,
                static_cast<unsigned long>(data.nFileSizeLow), rounds);
}

// The widget's tick, as its timer makes it, with every interface moved first.
void widgetTick() {
    moveTraffic();
    TrafficSampler::tick();
    UsageKeeper::count();
}

// `all` on the eight rows: six with a connector, the loopback and a tunnel that are not added.
// Its floor: the two queries and the rate's clock (no ledger is kept).
void allTick(int rounds, int scale, bool& failed) {
    bench.rows[0].type = 24;
    bench.rows[1].type = 131;
    for (int i = 2; i < kInterfaces; ++i)
        bench.rows[i].connector = 1;
    moveTraffic();
    chooseInterface("all", -1);
    const Pair pair = measure(3 * rounds, 200 * scale, widgetTick, [] {
        moveTraffic();
        floorQueries(false);
    });
    printRatio(kAllTick, "2 queries, 1 clock, scripted", pair, 1.10);

    // The library's own count of one tick's queries (rows set anew clear it).
    moveTraffic();
    TrafficSampler::tick();
    UsageKeeper::count();
    FakeIfStats stats{};
    bench.stats(&stats);
    const bool once = stats.filled == 1 && stats.calls == 1 && stats.wideTableCalls == 1 &&
                      stats.entryCalls == 0 && TrafficSampler::shown().counted == kInterfaces - 2;
    std::printf("%-44s %u GetIfTable, %u GetIfTable2, %u GetIfEntry2; %d interfaces added%s\n",
                "  queries of one tick", stats.calls, stats.wideTableCalls, stats.entryCalls,
                TrafficSampler::shown().counted, once ? "" : " (goal: one of each table, 6)");
    failed = !once || failed;

    startCountingAllocations();
    const int ticks = 1000;
    for (int i = 0; i < ticks; ++i)
        widgetTick();
    const AllocationTally tally = stopCountingAllocations();
    std::printf("%-44s %10.3f (%ld in %d ticks; goal 0)\n", "  heap allocations per tick",
                static_cast<double>(tally.widget) / ticks, tally.widget, ticks);
    failed = tally.widget != 0 || failed;
}

} // namespace

bool usageFigures(const char* module, int rounds, int scale) {
    char temporary[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, temporary);
    std::snprintf(bench.folder, sizeof bench.folder, "%svelnor-bench-usage-%lu\\", temporary,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    char settings[MAX_PATH + 60], ledger[MAX_PATH + 60];
    std::snprintf(settings, sizeof settings, "%sVelnor.rc", bench.folder);
    std::snprintf(ledger, sizeof ledger, "%sVelnor.usage", bench.folder);
    const char kSettings[] = "Velnor.period: month\n";
    bool failed =
        length == 0 || length >= MAX_PATH || !prepareQueries(module) ||
        // A run stopped early leaves its folder, and process numbers are given out again.
        (!CreateDirectoryA(bench.folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) ||
        !writeText(settings, kSettings, sizeof kSettings - 1) || !writeFullLedger(ledger);
    if (!failed) {
        usePaths(bench.folder, settings);
        makeFramePen();
        reload();
        failed = !UsageKeeper::keeping() || UsageKeeper::period() != UsagePeriod::Month;
    }
    if (failed) {
        std::printf("%-44s not measured\n%-44s not measured\n%-44s not measured\n", kMonthTick,
                    kSave, kUsageWindow);
    } else {
        TrafficSampler::resetHistory();
        monthTick<false>(kMonthTick, rounds, scale, failed);
        // A cap the ledger's period has not reached: the watch compares and shows nothing.
        const char kCapped[] = "Velnor.period: month\nVelnor.cap: 100 TB\n";
        if (writeText(settings, kCapped, sizeof kCapped - 1)) {
            reload();
            primeCapWatch();
            TrafficSampler::resetHistory();
            monthTick<true>(kCappedTick, rounds, scale, failed);
        } else {
            std::printf("%-44s not measured\n", kCappedTick);
            failed = true;
        }
        saveTime(rounds, ledger, failed);
        failed = !usageWindowFigures(rounds, scale) || failed;
    }
    UsageKeeper::stop();
    if (!failed) {
        // Without a ledger: the settings file goes first, and the reload keeps none.
        DeleteFileA(settings);
        reload();
        allTick(rounds, scale, failed);
        reload();
    } else {
        std::printf("%-44s not measured\n", kAllTick);
    }
    for (const char* name :
         {"Velnor.rc", "Velnor.usage", "Velnor.usage.new", "Velnor.usage.lock"}) {
        char path[MAX_PATH + 60];
        std::snprintf(path, sizeof path, "%s%s", bench.folder, name);
        DeleteFileA(path);
    }
    RemoveDirectoryA(bench.folder);
    return !failed;
}
