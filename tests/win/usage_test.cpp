// The usage ledger of the running widget, in process, on the scripted table: every interface
// counted, nothing lost across a stop, damaged files set aside, failed saves retried, the session
// and suspend messages, a second widget on the same ledger, and the limit's warning balloon.
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "handles.h"
#include "host.h"
#include "plugin_rig.h"
#include "support/fake_iphlpapi_client.h"
#include "support/import_hook.h"
#include "traffic/sampler.h"
#include "usage/calendar.h"
#include "usage/keeper.h"
#include "usage/ledger.h"
#include "usage/ledger_file.h"
#include <commctrl.h>

#include "widget/balloon.h"
#include "widget/cap_watch.h"
#include "win/tooltip_windows.h"
#include "win/win_files.h"

extern "C" int beginPlugin(HINSTANCE instance);
extern "C" int beginPluginEx(HINSTANCE instance, HWND slit);
extern "C" void endPlugin();

namespace {

const char kLo[] = "{00000001-0000-0000-0000-4E6574446576}";
const char kEth[] = "{00000002-0000-0000-0000-4E6574446576}";

struct Row {
    std::uint32_t index;
    std::uint64_t in, out;
    const char* description;
};

std::string ledgerPath() {
    std::string path = rigSettingsPath();
    return path.substr(0, path.size() - 2) + "usage";
}

// The clocks the keeper reads, as the test moves them: the wall clock (Unix seconds), the local
// date (days) and the uptime (milliseconds), each shifted on its own. The local clock stands at
// noon of the day the test began, so that no midnight passes between its ticks.
struct Clocks {
    std::int64_t wallSeconds, localDays, uptimeMs;
    SYSTEMTIME noon;
    decltype(&GetSystemTimeAsFileTime) systemTime;
    decltype(&GetLocalTime) localTime;
    decltype(&GetTickCount64) tickCount;
};
Clocks clocks;

void WINAPI shiftedSystemTime(FILETIME* now) {
    clocks.systemTime(now);
    ULARGE_INTEGER ticks{{now->dwLowDateTime, now->dwHighDateTime}};
    ticks.QuadPart += static_cast<ULONGLONG>(clocks.wallSeconds * 10000000LL);
    *now = FILETIME{ticks.LowPart, ticks.HighPart};
}

void WINAPI shiftedLocalTime(SYSTEMTIME* now) {
    *now = clocks.noon;
    FILETIME file;
    SystemTimeToFileTime(now, &file);
    ULARGE_INTEGER ticks{{file.dwLowDateTime, file.dwHighDateTime}};
    ticks.QuadPart += static_cast<ULONGLONG>(clocks.localDays * 864000000000LL);
    file = FILETIME{ticks.LowPart, ticks.HighPart};
    FileTimeToSystemTime(&file, now);
}

ULONGLONG WINAPI shiftedTickCount() {
    return clocks.tickCount() + static_cast<ULONGLONG>(clocks.uptimeMs);
}

// While it lives, the widget's code finds no memory to grow a block once it grew `allowed`:
// realloc fails as it may.
decltype(&realloc) realRealloc;
int reallocsAllowed;
void* __cdecl noMemory(void* block, std::size_t size) {
    return reallocsAllowed-- > 0 ? realRealloc(block, size) : nullptr;
}
struct ReallocFails {
    decltype(&realloc) real = nullptr;
    explicit ReallocFails(int allowed = 0) {
        reallocsAllowed = allowed;
        hookImport(real, "msvcrt.dll", "realloc", &noMemory);
        realRealloc = real;
    }
    ~ReallocFails() {
        decltype(real) ours;
        hookImport(ours, "msvcrt.dll", "realloc", real);
    }
};

// The bytes the file holds for `id` on all its days.
std::vector<std::int64_t> onDisk(const char* id) {
    std::string text = readFile(ledgerPath(), "");
    UsageLedger ledger{};
    EXPECT_TRUE(readLedger(text.data(), text.size(), ledger).ok);
    std::int64_t bytes[2] = {0, 0};
    std::int32_t interface = findOrAddInterface(ledger, id, std::strlen(id), nullptr, 0);
    totals(ledger, interface, INT32_MIN, INT32_MAX, bytes);
    freeLedger(ledger);
    return {bytes[0], bytes[1]};
}

// Saves fail while a folder takes the name of the file they write first.
bool blockSaves(bool blocked) {
    const std::string name = ledgerPath() + ".new";
    return blocked ? CreateDirectoryA(name.c_str(), nullptr) != FALSE
                   : RemoveDirectoryA(name.c_str()) != FALSE;
}
bool saveFailed() {
    return std::string(UsageKeeper::status()).find("could not be saved") != std::string::npos;
}

// "<date>\t<id>\t" of the day `daysAgo` before today, a ledger line's start.
std::string dayLine(int daysAgo, const char* id) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const CivilDate day = civilDate(dayNumber(now.wYear, now.wMonth, now.wDay) - daysAgo);
    char line[64];
    std::snprintf(line, sizeof line, "%04d-%02d-%02d\t%s\t", day.year, day.month, day.day, id);
    return line;
}

class UsageTest : public RigTest {
  protected:
    void SetUp() override {
        DeleteFileA(ledgerPath().c_str());
        DeleteFileA((ledgerPath() + ".damaged").c_str());
        DeleteFileA((ledgerPath() + ".damaged.1").c_str());
        DeleteFileA((ledgerPath() + ".damaged.2").c_str());
        rigWriteSettings("Velnor.period: DAY\r\n");
        rows_ = {{1, 1000, 2000, "lo"}, {2, 5000, 6000, "eth0"}};
        setRows();
        clocks = Clocks{};
        hookImport(clocks.systemTime, "kernel32.dll", "GetSystemTimeAsFileTime",
                   &shiftedSystemTime);
        hookImport(clocks.localTime, "kernel32.dll", "GetLocalTime", &shiftedLocalTime);
        hookImport(clocks.tickCount, "kernel32.dll", "GetTickCount64", &shiftedTickCount);
        ASSERT_TRUE(clocks.systemTime && clocks.localTime && clocks.tickCount);
        clocks.localTime(&clocks.noon);
        clocks.noon.wHour = 12;
        clocks.noon.wMinute = clocks.noon.wSecond = clocks.noon.wMilliseconds = 0;
    }
    void TearDown() override {
        endPlugin();
        decltype(clocks) ours;
        hookImport(ours.systemTime, "kernel32.dll", "GetSystemTimeAsFileTime", clocks.systemTime);
        hookImport(ours.localTime, "kernel32.dll", "GetLocalTime", clocks.localTime);
        hookImport(ours.tickCount, "kernel32.dll", "GetTickCount64", clocks.tickCount);
    }

    void setRows() {
        if (!GetModuleHandleA("Iphlpapi.dll"))
            LoadLibraryA("Iphlpapi.dll");
        std::vector<FakeIfRow> rows;
        for (const Row& row : rows_)
            rows.push_back(fakeWideRow(row.index, row.in, row.out, row.description));
        fakeIfTableSetRows()(rows.data(), static_cast<int>(rows.size()));
    }
    void move(int row, std::uint64_t in, std::uint64_t out) {
        rows_[row].in += in;
        rows_[row].out += out;
        setRows();
    }
    // The timer's work.
    void tick() {
        TrafficSampler::tick();
        UsageKeeper::count();
    }
    std::vector<std::int64_t> shown(int position) {
        UsageFigures figures = UsageKeeper::figures(position);
        return {figures.bytes[0], figures.bytes[1]};
    }

    std::vector<Row> rows_;
};

using Bytes = std::vector<std::int64_t>;

TEST_F(UsageTest, EveryInterfaceIsCountedThroughARowShiftAndAFailedQuery) {
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    ASSERT_TRUE(UsageKeeper::keeping());
    move(0, 100, 200);
    move(1, 10, 20);
    tick();
    EXPECT_EQ(shown(0), (Bytes{100, 200}));
    EXPECT_EQ(shown(1), (Bytes{10, 20}));
    // A new interface before both: it counts from now, the others go on by their own.
    rows_.insert(rows_.begin(), Row{3, 777777, 888888, "wlan"});
    move(1, 50, 0);
    tick();
    EXPECT_EQ(shown(0), (Bytes{0, 0}));
    EXPECT_EQ(shown(1), (Bytes{150, 200}));
    // A failed query counts nothing and loses nothing.
    fakeIfTableFail()(1);
    move(1, 30, 0);
    tick();
    EXPECT_EQ(UsageKeeper::figures(1).bytes[0], 150);
    tick();
    EXPECT_EQ(shown(1), (Bytes{180, 200}));
    EXPECT_EQ(shown(2), (Bytes{10, 20}));
}

TEST_F(UsageTest, TrafficWhileStoppedIsCountedAtTheNextStart) {
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    move(0, 100, 200);
    tick();
    endPlugin();
    EXPECT_EQ(onDisk(kLo), (Bytes{100, 200}));
    move(0, 4000, 5000);
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    EXPECT_EQ(shown(0), (Bytes{4100, 5200}));
    EXPECT_EQ(onDisk(kLo), (Bytes{4100, 5200})) << "the first save comes at start";
}

// An interface that joins the table while the widget runs, with a checkpoint of an earlier boot:
// its counters, all traffic since this boot, count, not their distance from the old checkpoint.
TEST_F(UsageTest, AnInterfaceSeenLaterIsCountedByTheRulesOfAStart) {
    const char kWlan[] = "{00000003-0000-0000-0000-4E6574446576}";
    ASSERT_TRUE(writeFile(ledgerPath(), std::string("checkpoint\t") + kWlan +
                                            "\t1000000000\t64\t100000\t100000\n"));
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    rows_.push_back(Row{3, 777777, 888888, "wlan"});
    setRows();
    tick();
    EXPECT_EQ(shown(2), (Bytes{777777, 888888}));
}

// A counter that starts again, or an interface first seen, moves its checkpoint with no bytes to
// store: the file holds it at once, so that a shell dying before the next save loses nothing.
TEST_F(UsageTest, ACheckpointMadeOrSetBackByATickIsSavedAtOnce) {
    const char kWlan[] = "{00000003-0000-0000-0000-4E6574446576}";
    for (const bool reset : {true, false}) {
        SCOPED_TRACE(reset ? "counters started again" : "an interface joined");
        DeleteFileA(ledgerPath().c_str());
        rows_ = {{1, 1000, 2000, "lo"}, {2, 5000, 6000, "eth0"}};
        setRows();
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
        move(1, 5000, 0);
        tick();
        UsageKeeper::save();
        if (reset)
            rows_[1].in = 0;
        else
            rows_.push_back(Row{3, 900000, 900000, "wlan"});
        setRows();
        tick();
        ASSERT_TRUE(blockSaves(true)); // the shell dies: its stop saves nothing
        endPlugin();
        blockSaves(false);
        move(reset ? 1 : 2, 20000, 0);
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
        EXPECT_EQ(onDisk(reset ? kEth : kWlan)[0], reset ? 25000 : 20000);
        endPlugin();
    }
}

// Another program removes the file to write it anew between the save's look at it and its read:
// a file gone is written again with every day this run holds.
decltype(&GetFileAttributesExA) realAttributes;
int attributeCalls;
BOOL WINAPI attributesThenGone(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID out) {
    if (++attributeCalls == 2)
        DeleteFileA(path);
    return realAttributes(path, level, out);
}

TEST_F(UsageTest, ALedgerGoneAsAnEditIsReadKeepsTheDaysHeld) {
    ASSERT_TRUE(writeFile(ledgerPath(), dayLine(3, kEth) + "1000\t0\n"));
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    ASSERT_TRUE(writeFile(ledgerPath(), readFile(ledgerPath()) + dayLine(2, kEth) + "200\t0\n"));
    move(1, 7, 0);
    tick();
    ImportHook<decltype(&GetFileAttributesExA)> hook("kernel32.dll", "GetFileAttributesExA",
                                                     &attributesThenGone);
    ASSERT_TRUE(hook.real);
    realAttributes = hook.real;
    UsageKeeper::save();
    EXPECT_EQ(onDisk(kEth), (Bytes{1007, 0}));
}

// No ledger to read (none at a start, one set aside as damaged, one gone as an edit was read) and
// a save that could not write: a file put there before the next save is read, not written over.
TEST_F(UsageTest, AFileThatAppearsAfterAFailedSaveIsRead) {
    for (int how = 0; how < 3; ++how) {
        SCOPED_TRACE(how);
        DeleteFileA(ledgerPath().c_str());
        ASSERT_TRUE(how != 1 || writeFile(ledgerPath(), "2026-02-30\tlo\t1\t2\n"));
        ASSERT_TRUE(how == 2 || blockSaves(true));
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
        move(1, 7, 0);
        tick();
        if (how == 2) {
            ASSERT_TRUE(writeFile(ledgerPath(), readFile(ledgerPath()) + "# edited\n"));
            ImportHook<decltype(&GetFileAttributesExA)> hook("kernel32.dll", "GetFileAttributesExA",
                                                             &attributesThenGone);
            realAttributes = hook.real;
            attributeCalls = 0;
            ASSERT_TRUE(blockSaves(true));
            UsageKeeper::save();
        }
        EXPECT_TRUE(saveFailed());
        ASSERT_TRUE(writeFile(ledgerPath(), std::string("2020-01\t") + kEth + "\t1000\t0\n"));
        blockSaves(false);
        UsageKeeper::save();
        EXPECT_EQ(onDisk(kEth), (Bytes{1007, 0}));
        endPlugin();
        DeleteFileA((ledgerPath() + ".damaged").c_str());
    }
}

TEST_F(UsageTest, ADamagedLedgerIsSetAsideUnderAFreeName) {
    ASSERT_TRUE(writeFile(ledgerPath() + ".damaged", "an earlier one\n"));
    ASSERT_TRUE(writeFile(ledgerPath(), "2026-02-30\tlo\t1\t2\n"));
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    EXPECT_EQ(readFile(ledgerPath() + ".damaged.1"), "2026-02-30\tlo\t1\t2\n");
    EXPECT_EQ(readFile(ledgerPath() + ".damaged"), "an earlier one\n");
    EXPECT_NE(std::string(UsageKeeper::status()).find("damaged"), std::string::npos);
    move(1, 7, 8);
    tick();
    UsageKeeper::save();
    EXPECT_EQ(onDisk(kEth), (Bytes{7, 8}));
    // Damaged by a hand edit while the widget runs: set aside, and the count goes on.
    ASSERT_TRUE(writeFile(ledgerPath(), readFile(ledgerPath()) + "2026-02-30\tlo\t3\t4\n"));
    move(1, 1, 1);
    tick();
    UsageKeeper::save();
    EXPECT_NE(readFile(ledgerPath() + ".damaged.2").find("02-30\tlo\t3"), std::string::npos);
    EXPECT_EQ(onDisk(kEth), (Bytes{8, 9}));
}

// The period's sum of the days before today follows a past day's figure edited by hand, whatever
// memory the ledger read again lands in.
TEST_F(UsageTest, APastDayEditedWhileRunningMovesThePeriodsBytes) {
    const std::string line = dayLine(1, kEth);
    // The billing period begins yesterday.
    rigWriteSettings("Velnor.period: month\r\nVelnor.billingDay: " +
                     std::to_string(std::stoi(line.substr(8, 2))) + "\r\n");
    ASSERT_TRUE(writeFile(ledgerPath(), line + "1000\t0\n"));
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    for (int edit = 2; edit <= 8; ++edit) {
        SCOPED_TRACE(edit);
        std::string text = readFile(ledgerPath());
        const std::size_t at = text.find(line) + line.size();
        text.replace(at, text.find('\t', at) - at, std::to_string(1000 * edit));
        ASSERT_TRUE(writeFile(ledgerPath(), text));
        move(1, 1, 0);
        tick();
        UsageKeeper::save();
        // Two reads since the last sum: the memory summed may hold the ledger again.
        if (edit % 2 == 1)
            continue;
        std::int32_t first = 0;
        EXPECT_EQ(UsageKeeper::periodBytes(1, first), 1000 * edit + edit - 1);
    }
}

TEST_F(UsageTest, SessionEndAndSuspendSaveAtOnce) {
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    const struct {
        UINT message;
        WPARAM wParam;
    } messages[] = {{WM_ENDSESSION, TRUE}, {WM_POWERBROADCAST, PBT_APMSUSPEND}};
    std::int64_t sent = 0;
    for (const auto& message : messages) {
        SCOPED_TRACE(message.message);
        move(0, 0, 64);
        sent += 64;
        tick();
        EXPECT_EQ(onDisk(kLo)[1], sent - 64) << "not yet saved";
        SendMessageA(moduleHandles().widget, message.message, message.wParam, 0);
        EXPECT_EQ(onDisk(kLo)[1], sent);
    }
}

// A step of the wall clock moves the boot time (the wall clock minus the uptime); under Wine the
// uptime also stops while the host sleeps, which moves it the same way.
TEST_F(UsageTest, AClockStepCountsNoBootTwice) {
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    move(0, 100, 200);
    tick();
    clocks.wallSeconds = 3600; // while the widget runs
    tick();
    endPlugin();
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    EXPECT_EQ(shown(0), (Bytes{100, 200}));
    endPlugin();
    clocks.wallSeconds = -86400; // while it is stopped, back
    move(0, 10, 20);
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    EXPECT_EQ(shown(0), (Bytes{110, 220}));
    endPlugin();
    clocks.wallSeconds = 8 * 3600; // and ahead: the host slept with the uptime stopped
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    EXPECT_EQ(shown(0), (Bytes{110, 220}));
}

// A failed save keeps the bytes and says why; the tick tries again a minute later, while a save
// asked for (a stop, the session's end, a suspend) tries at once.
TEST_F(UsageTest, AFailedSaveKeepsTheBytesAndIsRetried) {
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    ASSERT_TRUE(blockSaves(true));
    move(0, 100, 0);
    tick();
    clocks.uptimeMs += 61000;
    tick(); // due, and fails
    EXPECT_TRUE(saveFailed());
    blockSaves(false);
    clocks.uptimeMs += 1000;
    tick();
    EXPECT_EQ(onDisk(kLo), (Bytes{0, 0})) << "tried again at once";
    EXPECT_TRUE(saveFailed());
    clocks.uptimeMs += 60000;
    tick();
    EXPECT_EQ(onDisk(kLo), (Bytes{100, 0}));
    EXPECT_STREQ(UsageKeeper::status(), "");

    ASSERT_TRUE(blockSaves(true));
    move(0, 5, 0);
    tick();
    UsageKeeper::save();
    EXPECT_TRUE(saveFailed());
    blockSaves(false);
    UsageKeeper::save();
    EXPECT_STREQ(UsageKeeper::status(), "");
    EXPECT_EQ(onDisk(kLo), (Bytes{105, 0}));

    // A start whose save fails with no traffic after it: what it counted is tried again too.
    endPlugin();
    move(0, 7, 0);
    ASSERT_TRUE(blockSaves(true));
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    EXPECT_TRUE(saveFailed());
    blockSaves(false);
    clocks.uptimeMs += 61000;
    tick();
    EXPECT_EQ(onDisk(kLo), (Bytes{112, 0}));
}

// Traffic counted before the table's queries began to fail is on disk within the minute all the
// same.
TEST_F(UsageTest, TrafficIsSavedWithinAMinuteWhileQueriesFail) {
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    move(0, 100, 0);
    tick();
    fakeIfTableFail()(1000);
    clocks.uptimeMs += 61000;
    tick();
    fakeIfTableFail()(0);
    EXPECT_EQ(onDisk(kLo), (Bytes{100, 0}));
}

// A save that read the file, at a start or after an edit, but could not write leaves the file as
// read: an edit made before the next save is kept as well.
TEST_F(UsageTest, AnEditAfterASaveThatReadTheFileButFailedIsKept) {
    ASSERT_TRUE(writeFile(ledgerPath(), ""));
    ASSERT_TRUE(blockSaves(true));
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    for (const char* month : {"2020-01", "2020-02"}) {
        ASSERT_TRUE(
            writeFile(ledgerPath(), readFile(ledgerPath()) + month + "\t" + kLo + "\t1000\t0\n"));
        move(0, 100, 0);
        tick();
        UsageKeeper::save();
        EXPECT_TRUE(saveFailed());
    }
    blockSaves(false);
    UsageKeeper::save();
    EXPECT_EQ(onDisk(kLo), (Bytes{2200, 0}));
}

// Days folded at a change of date by a save that failed: a hand edit read at the next save gets
// what was counted since, not bytes of another entry.
TEST_F(UsageTest, AnEditAfterAFailedSaveThatFoldedGetsTheRightBytes) {
    ASSERT_TRUE(writeFile(ledgerPath(), dayLine(kKeptDays, kEth) + "1000\t0\n"));
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    move(0, 100, 0);
    move(1, 200, 0);
    tick();
    UsageKeeper::save();
    ASSERT_TRUE(blockSaves(true));
    clocks.localDays = 1;
    clocks.uptimeMs += 1001;
    tick(); // a new day: the old one folds, and the save fails
    blockSaves(false);
    ASSERT_TRUE(writeFile(ledgerPath(), readFile(ledgerPath()) + "2020-01\t" + kEth + "\t5\t0\n"));
    UsageKeeper::save();
    EXPECT_EQ(onDisk(kEth), (Bytes{1205, 0}));
    EXPECT_EQ(onDisk(kLo), (Bytes{100, 0}));
}

// No memory to add what was counted to an edited file read again: the save fails, loses nothing,
// and the next one adds it.
TEST_F(UsageTest, NoMemoryToAddTheCountToAnEditLosesNothing) {
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    std::string months; // eight lines: the ledger read holds a full block of entries
    for (int month = 1; month <= 8; ++month)
        months += "2020-0" + std::to_string(month) + "\t" + kEth + "\t1\t0\n";
    for (int allowed = 0; allowed < 4; ++allowed) {
        SCOPED_TRACE(allowed);
        UsageKeeper::save();
        ASSERT_TRUE(writeFile(ledgerPath(), months)); // lo's lines taken out by hand
        move(0, 0, 10);
        tick();
        {
            ReallocFails failing(allowed);
            UsageKeeper::save();
        }
        EXPECT_LE(reallocsAllowed, 0) << "the save used up its realloc budget";
        UsageKeeper::save();
        EXPECT_EQ(onDisk(kLo), (Bytes{0, 10}));
        EXPECT_EQ(onDisk(kEth), (Bytes{8, 0}));
    }
}

// Whatever befalls the widget between its ticks (stops and starts, reloads without a ledger and
// back, the clock stepped, days forward and back, saves due, the file held by another program or
// edited, no memory, failed queries, rows reordered, saves that cannot write), the ledger ends up
// with every byte moved, once.
TEST_F(UsageTest, EveryByteMovedIsCountedOnceWhateverHappens) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed);
        DeleteFileA(ledgerPath().c_str());
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
        std::int64_t moved[2][2] = {};
        HANDLE held = INVALID_HANDLE_VALUE;
        bool paused = false;
        std::mt19937 random(seed);
        for (int step = 0; step < 300; ++step) {
            const int row = static_cast<int>(random() % 2);
            const std::uint64_t in = random() % 100000, out = random() % 100000;
            move(row, in, out);
            moved[row][0] += static_cast<std::int64_t>(in);
            moved[row][1] += static_cast<std::int64_t>(out);
            switch (random() % 11) {
            case 0:
                endPlugin();
                ASSERT_EQ(beginPlugin(rigInstance()), 0);
                break;
            case 1:
                clocks.wallSeconds += static_cast<std::int64_t>(random() % 7201) - 3600;
                break;
            case 2:
                clocks.localDays += random() % 2 == 0 ? 1 : -1;
                clocks.uptimeMs += 1001;
                break;
            case 3:
                clocks.uptimeMs += 61000;
                break;
            case 4:
                if (held == INVALID_HANDLE_VALUE) {
                    held = CreateFileA(ledgerPath().c_str(), GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
                } else {
                    CloseHandle(held);
                    held = INVALID_HANDLE_VALUE;
                }
                break;
            case 5: { // no memory for a new day's entry, or to hold the file read at a start
                ReallocFails failing;
                ASSERT_TRUE(failing.real);
                if (random() % 2 == 0) {
                    tick();
                    break;
                }
                endPlugin();
                ASSERT_EQ(beginPlugin(rigInstance()), 0);
                break;
            }
            case 6:
                (random() % 2 == 0 ? fakeIfTableFail() : fakeIfTable2Fail())(1);
                break;
            case 7:
                std::swap(rows_[0], rows_[1]);
                std::swap(moved[0], moved[1]);
                setRows();
                break;
            case 8: // a reload to no ledger and back
                paused = !paused;
                rigWriteSettings(paused ? "Velnor.period: boot\r\n" : "Velnor.period: day\r\n");
                rigBroadcast(moduleHandles().widget, "@Velnor.settings.read");
                break;
            case 10: // saves fail until the next time
                if (!blockSaves(true))
                    blockSaves(false);
                break;
            case 9: { // a month line typed into the file
                const std::string text = readFile(ledgerPath());
                if (text != "<missing>" &&
                    writeFile(ledgerPath(), text + "2020-01\t" +
                                                (rows_[row].index == 1 ? kLo : kEth) +
                                                "\t1000\t0\n"))
                    moved[row][0] += 1000;
                break;
            }
            }
            tick();
        }
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        blockSaves(false);
        // A last start, with the table read, counts what a stop with the file held could not save
        // and what moved while no ledger was kept.
        endPlugin();
        rigWriteSettings("Velnor.period: day\r\n");
        fakeIfTableFail()(0);
        fakeIfTable2Fail()(0);
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
        endPlugin();
        for (int row = 0; row < 2; ++row)
            EXPECT_EQ(onDisk(rows_[row].index == 1 ? kLo : kEth),
                      (Bytes{moved[row][0], moved[row][1]}));
        EXPECT_EQ(readFile(ledgerPath() + ".damaged"), "<missing>");
    }
}

TEST_F(UsageTest, ALedgerHeldByAnotherProgramIsReadOnceItCanBe) {
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    move(0, 100, 200);
    tick();
    endPlugin();
    // A spreadsheet holding it open for writing.
    HANDLE other =
        CreateFileA(ledgerPath().c_str(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    EXPECT_EQ(shown(0), (Bytes{100, 200}));
    CloseHandle(other);
    endPlugin();
    const std::string saved = readFile(ledgerPath());
    // A program holding it without sharing: this run counts in memory and never writes the file.
    other = CreateFileA(ledgerPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    move(0, 10, 20); // while stopped
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    ASSERT_TRUE(UsageKeeper::keeping());
    EXPECT_NE(std::string(UsageKeeper::status()).find("not read yet"), std::string::npos);
    move(0, 1, 2);
    tick();
    EXPECT_EQ(shown(0), (Bytes{1, 2}));
    clocks.uptimeMs += 61000;
    tick();
    CloseHandle(other);
    EXPECT_EQ(readFile(ledgerPath()), saved);
    UsageKeeper::save();
    EXPECT_STREQ(UsageKeeper::status(), "");
    EXPECT_EQ(shown(0), (Bytes{111, 222}));
    EXPECT_EQ(onDisk(kLo), (Bytes{111, 222}));
}

TEST_F(UsageTest, ARowWithoutItsGuidForATickCountsNothing) {
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    move(0, 150, 0);
    tick();
    fakeIfTable2Fail()(1);
    move(0, 1000000, 0);
    tick();
    EXPECT_EQ(shown(0), (Bytes{150, 0}));
    tick();
    endPlugin();
    fakeIfTable2Fail()(1); // at start
    move(0, 5, 0);
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    tick();
    // Left out of the 64-bit table between the two queries.
    std::vector<FakeIfRow> rows = {fakeWideRow(1, rows_[0].in + 5, rows_[0].out, "lo"),
                                   fakeWideRow(2, rows_[1].in, rows_[1].out, "eth0")};
    rows[0].wide = 0;
    fakeIfTableSetRows()(rows.data(), 2);
    tick();
    move(0, 5, 0);
    tick();
    fakeIfTable2Fail()(1);
    tick();
    tick();
    EXPECT_EQ(shown(0), (Bytes{1000160, 0}));
    UsageKeeper::save();
    EXPECT_EQ(readFile(ledgerPath()).find("\tlo\t"), std::string::npos) << "no entry keyed `lo`";
    // Left out at a start, before any reading of this run saw its GUID.
    endPlugin();
    fakeIfTableSetRows()(rows.data(), 2);
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    UsageKeeper::save();
    EXPECT_EQ(readFile(ledgerPath()).find("\tlo\t"), std::string::npos) << "none at a start";
    // Two rows without a GUID and of one description keep a checkpoint each.
    rows = {fakeIfRow(1000, 0, "tun"), fakeIfRow(3000000, 0, "tun")};
    rows[0].index = 7;
    rows[1].index = 8;
    for (int tickNumber = 0; tickNumber < 6; ++tickNumber) {
        fakeIfTableSetRows()(rows.data(), 2);
        tick();
        rows[0].inOctets += 100;
        rows[1].inOctets += 100;
    }
    EXPECT_EQ(shown(0), (Bytes{500, 0}));
    EXPECT_EQ(shown(1), (Bytes{500, 0}));
    // Each rank is another interface's from here on, by order or by number: it counts from its
    // first reading, and never from counters another rank read. Each step moves every row 100.
    FakeIfRow first = rows[0], second = rows[1], lower = fakeIfRow(0, 0, "tun");
    lower.index = 5;
    const std::vector<std::vector<FakeIfRow*>> steps = {
        {&second, &first}, {&second, &first}, {&first}, {&first}, {&lower, &first}};
    for (const std::vector<FakeIfRow*>& step : steps) {
        rows.clear();
        for (FakeIfRow* row : step)
            rows.push_back(*row);
        fakeIfTableSetRows()(rows.data(), static_cast<int>(rows.size()));
        tick();
        for (FakeIfRow* row : {&first, &second, &lower})
            row->inOctets += 100;
    }
    EXPECT_EQ(shown(0), (Bytes{700, 0}));
    EXPECT_EQ(shown(1), (Bytes{600, 0}));
}

// The saved ledger holds no month line: no day was folded.
void expectNoDayFolded(const std::string& path) {
    const std::string text = readFile(path, "");
    UsageLedger ledger{};
    EXPECT_TRUE(readLedger(text.data(), text.size(), ledger).ok);
    for (std::int32_t i = 0; i < ledger.entryCount; ++i)
        EXPECT_FALSE(ledger.entries[i].month) << "a day folded into its month";
    freeLedger(ledger);
}

TEST_F(UsageTest, AClockSetAheadForAMomentFoldsNoDay) {
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    move(0, 100, 0);
    tick();
    UsageKeeper::save();
    clocks.localDays = 800;
    clocks.uptimeMs += 1001;
    tick(); // the date changes: a save
    clocks.localDays = 0;
    clocks.uptimeMs += 1001;
    tick();
    EXPECT_EQ(shown(0), (Bytes{100, 0}));
    UsageKeeper::save();
    expectNoDayFolded(ledgerPath());
    // Nor does a start whose clock is already ahead.
    endPlugin();
    clocks.localDays = 800;
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    expectNoDayFolded(ledgerPath());
}

TEST_F(UsageTest, ASecondWidgetLeavesTheLedgerToTheFirst) {
    // What the first widget holds while it keeps the ledger.
    HANDLE first = CreateFileA((ledgerPath() + ".lock").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                               nullptr, OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    EXPECT_FALSE(UsageKeeper::keeping());
    EXPECT_NE(std::string(UsageKeeper::status()).find("another widget"), std::string::npos);
    EXPECT_EQ(readFile(ledgerPath()), "<missing>");
    CloseHandle(first);
}

// The shown balloon's text, or "none". Its title is not read back: Wine 8 answers TTM_GETTITLE
// without filling the record; the end-to-end screenshot shows it.
std::string shownBalloon() {
    for (HWND tip : threadTooltips())
        if (IsWindowVisible(tip) && (GetWindowLongA(tip, GWL_STYLE) & TTS_BALLOON))
            return tooltipText(tip);
    return "none";
}

HWND WINAPI noWindow(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE,
                     LPVOID) {
    return nullptr;
}

TEST_F(UsageTest, ABalloonAtEachCrossingOncePerPeriodNotAtAStartPastIt) {
    rigWriteSettings("Velnor.period: day\r\nVelnor.adapter: 1\r\nVelnor.cap: 10 KB\r\n");
    ASSERT_EQ(beginPlugin(rigInstance()), 0);
    enum class Then { Nothing, Click, NoWindow };
    struct Step {
        const char* what;
        std::uint64_t in; // received since the last step, of today's 10 KB
        Then then;        // a click at the balloon after the tick, or no window for it in the tick
        std::string balloon;
    };
    const Step steps[] = {
        {"79%", 8191, Then::Nothing, "none"},
        {"80% without a window", 1, Then::NoWindow, "none"},
        {"80%", 0, Then::Nothing, "8.000 KB used (80%), 2.000 KB left, 2.000 KB a day for 1 day"},
        {"clicked", 0, Then::Click, "none"},
        {"past 80% again", 1000, Then::Nothing, "none"},
        {"100%", 1048, Then::Nothing, "10.000 KB used (100%), 0 B left, 0 B a day for 1 day"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        move(1, step.in, 0);
        {
            std::optional<ImportHook<decltype(&noWindow)>> refused;
            if (step.then == Then::NoWindow)
                refused.emplace("user32.dll", "CreateWindowExA", &noWindow);
            tick();
            watchCap();
        }
        if (step.then == Then::Click)
            SendMessageA(balloonWindow(), WM_LBUTTONDOWN, 0, 0);
        EXPECT_EQ(shownBalloon(), step.balloon);
    }
    SendMessageA(balloonWindow(), WM_LBUTTONDOWN, 0, 0);
    // Below 80% again after a reload with a larger cap, then past it once more: shown already.
    rigWriteSettings("Velnor.period: day\r\nVelnor.adapter: 1\r\nVelnor.cap: 20 KB\r\n");
    rigBroadcast(moduleHandles().widget, "@Velnor.settings.read");
    move(1, 6200, 0);
    tick();
    watchCap();
    EXPECT_EQ(shownBalloon(), "none") << "shown in this period already";
    // The billing period that begins today is another period than today.
    SYSTEMTIME now;
    GetLocalTime(&now);
    rigWriteSettings("Velnor.period: month\r\nVelnor.adapter: 1\r\nVelnor.cap: 100 KB\r\n" +
                     ("Velnor.billingDay: " + std::to_string(now.wDay)) + "\r\n");
    rigBroadcast(moduleHandles().widget, "@Velnor.settings.read");
    move(1, 80 * 1024 - 16440, 0);
    tick();
    watchCap();
    EXPECT_EQ(shownBalloon().rfind("80.000 KB used (80%), 20.000 KB left", 0), 0u)
        << shownBalloon();
    SendMessageA(balloonWindow(), WM_LBUTTONDOWN, 0, 0);

    // A start, then a reload, that find the day past both thresholds show no balloon.
    endPlugin();
    EXPECT_EQ(balloonWindow(), nullptr);
    for (const char* cap : {"10 KB", "40 KB", "10 KB"}) {
        SCOPED_TRACE(cap);
        rigWriteSettings(std::string("Velnor.period: day\r\nVelnor.adapter: 1\r\nVelnor.cap: ") +
                         cap + "\r\n");
        if (moduleHandles().widget)
            rigBroadcast(moduleHandles().widget, "@Velnor.settings.read");
        else
            ASSERT_EQ(beginPlugin(rigInstance()), 0);
        move(1, 100, 0);
        tick();
        watchCap();
        EXPECT_EQ(shownBalloon(), "none");
    }
    // With all interfaces, a reading that failed or an interface that left and came back changes
    // what is summed, never the period's bytes: no crossing.
    rigWriteSettings("Velnor.period: day\r\nVelnor.interface: all\r\nVelnor.cap: 10 KB\r\n");
    rigBroadcast(moduleHandles().widget, "@Velnor.settings.read");
    const std::vector<Row> both = rows_;
    fakeIfTableFail()(1);
    for (const std::vector<Row>& table : {both, both, {both[0]}, both}) {
        rows_ = table;
        setRows();
        tick();
        watchCap();
        EXPECT_EQ(shownBalloon(), "none") << table.size() << " rows";
    }
    // The next day began at 0 bytes: the tick that opens it and takes it past 80% crosses.
    clocks.localDays = 1;
    clocks.uptimeMs += 1001;
    move(1, 8192, 0);
    tick();
    watchCap();
    EXPECT_EQ(shownBalloon(), "8.000 KB used (80%), 2.000 KB left, 2.000 KB a day for 1 day");
    // The clock set a day ahead and back again: each day's threshold shows once.
    const struct {
        std::int64_t day;
        std::uint64_t in;
        const char* balloon;
    } days[] = {{2, 8192, "8.000 KB used (80%), 2.000 KB left, 2.000 KB a day for 1 day"},
                {1, 2048, "10.000 KB used (100%), 0 B left, 0 B a day for 1 day"},
                {2, 0, "none"}};
    for (const auto& day : days) {
        SCOPED_TRACE(day.day);
        SendMessageA(balloonWindow(), WM_LBUTTONDOWN, 0, 0);
        clocks.localDays = day.day;
        clocks.uptimeMs += 1001;
        for (const std::uint64_t in : {std::uint64_t{0}, day.in}) {
            move(1, in, 0);
            tick();
            watchCap();
        }
        EXPECT_EQ(shownBalloon(), day.balloon);
    }
}

// A reload that takes the limit away, the ledger with it, or raises it closes a balloon about it.
TEST_F(UsageTest, ABalloonClosesWithTheLimitItSpokeOf) {
    for (const char* settings :
         {"Velnor.period: day\r\nVelnor.adapter: 1\r\n",
          "Velnor.period: boot\r\nVelnor.cap: 10 KB\r\n",
          "Velnor.period: day\r\nVelnor.adapter: 1\r\nVelnor.cap: 20 KB\r\n"}) {
        SCOPED_TRACE(settings);
        rigWriteSettings("Velnor.period: day\r\nVelnor.adapter: 1\r\nVelnor.cap: 10 KB\r\n");
        ASSERT_EQ(beginPlugin(rigInstance()), 0);
        move(1, 8192, 0);
        tick();
        watchCap();
        ASSERT_NE(shownBalloon(), "none");
        rigWriteSettings(settings);
        rigBroadcast(moduleHandles().widget, "@Velnor.settings.read");
        EXPECT_EQ(shownBalloon(), "none");
        endPlugin();
        DeleteFileA(ledgerPath().c_str());
    }
}

// Docked, the widget is a child of the slit: the balloon still shows, under it on the screen.
TEST_F(UsageTest, TheBalloonShowsForAWidgetInTheSlit) {
    rigWriteSettings(
        "Velnor.period: day\r\nVelnor.adapter: 1\r\nVelnor.cap: 10 KB\r\nVelnor.inSlit: true\r\n");
    ASSERT_EQ(beginPluginEx(rigInstance(), hostSlitWindow()), 0);
    ASSERT_EQ(hostSlitWindows(), std::vector<HWND>{moduleHandles().widget});
    move(1, 8192, 0);
    tick();
    watchCap();
    EXPECT_EQ(shownBalloon(), "8.000 KB used (80%), 2.000 KB left, 2.000 KB a day for 1 day");
    RECT widget{}, tip{};
    GetWindowRect(moduleHandles().widget, &widget);
    GetWindowRect(balloonWindow(), &tip);
    const LONG middle = (widget.left + widget.right) / 2;
    EXPECT_TRUE(tip.left <= middle && middle <= tip.right && tip.top >= widget.top)
        << tip.left << "," << tip.top << " widget " << widget.left << "," << widget.top;
}

} // namespace
