#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "usage/calendar.h"
#include "usage/ledger.h"
#include "usage/ledger_file.h"

namespace {

const char kGuid[] = "{4D36E972-E325-11CE-BFC1-08002BE10318}";

struct Ledger {
    UsageLedger ledger{};
    ~Ledger() { freeLedger(ledger); }
    std::int32_t add(const char* id) {
        return findOrAddInterface(ledger, id, std::strlen(id), nullptr, 0);
    }
    LedgerReadResult read(const std::string& text) {
        return readLedger(text.data(), text.size(), ledger);
    }
    std::string write() const {
        std::size_t length = 0;
        char* text = writeLedger(ledger, length);
        std::string written(text, length);
        std::free(text);
        return written;
    }
    std::int64_t total(std::int32_t interface, int channel, std::int32_t first = INT32_MIN,
                       std::int32_t last = INT32_MAX) const {
        std::int64_t out[2];
        totals(ledger, interface, first, last, out);
        return out[channel];
    }
};

std::int64_t bytes[2] = {100, 7};

TEST(Ledger, AddsIntoTheDaysEntryAndSaturates) {
    Ledger l;
    std::int32_t a = l.add("eth0");
    std::int32_t day = dayNumber(2024, 5, 1);
    for (std::int32_t d : {day, day + 1, day + 1, day, day - 3}) // the clock going back too
        ASSERT_TRUE(addBytes(l.ledger, a, d, false, bytes));
    EXPECT_EQ(l.ledger.entryCount, 3);
    EXPECT_EQ(l.total(a, 0, day, day), 200);
    EXPECT_EQ(l.total(a, 1, day - 3, day + 1), 35);
    const std::int64_t huge[2] = {INT64_MAX - 150, -5};
    ASSERT_TRUE(addBytes(l.ledger, a, day, false, huge));
    EXPECT_EQ(l.total(a, 0, day, day), INT64_MAX);
    EXPECT_EQ(l.total(a, 1, day, day), 14);
    EXPECT_EQ(l.total(a, 0), INT64_MAX);
    EXPECT_FALSE(addBytes(l.ledger, a, dayNumber(kLastYear, 12, 31) + 1, false, bytes));
    EXPECT_EQ(l.add(""), -1);
}

TEST(Ledger, FoldsDaysOlderThan400DaysIntoMonths) {
    Ledger l;
    std::int32_t a = l.add("a"), b = l.add("b");
    std::int32_t today = dayNumber(2024, 6, 15);
    for (std::int32_t d : {today - 401, today - 402, today - 400, today})
        ASSERT_TRUE(addBytes(l.ledger, a, d, false, bytes));
    ASSERT_TRUE(addBytes(l.ledger, b, today - 450, false, bytes));
    fold(l.ledger, today);
    EXPECT_EQ(l.ledger.entryCount, 4); // a: one month, two days; b: one month
    CivilDate old = civilDate(today - 401);
    std::int32_t monthStart = dayNumber(old.year, old.month, 1);
    EXPECT_EQ(l.total(a, 0, monthStart, monthStart), 200);
    EXPECT_EQ(l.total(a, 0), 400);
    EXPECT_EQ(l.total(b, 0), 100);
    ASSERT_TRUE(addBytes(l.ledger, a, today, false, bytes)); // the latest day is found again
    EXPECT_EQ(l.ledger.entryCount, 4);
}

TEST(LedgerFile, RoundTrip) {
    Ledger l;
    std::int32_t a = findOrAddInterface(l.ledger, kGuid, sizeof kGuid - 1, "Ethernet\tadapter", 16);
    std::int32_t b = l.add("Loopback");
    const std::int64_t counters[2] = {INT64_MAX, 0};
    ASSERT_TRUE(setCheckpoint(l.ledger, a, -5, true, counters));
    const std::int64_t small[2] = {4294967295, 1};
    ASSERT_TRUE(setCheckpoint(l.ledger, b, 1700000000, false, small, 86400));
    EXPECT_FALSE(setCheckpoint(l.ledger, b, 1700000000, false, counters));
    std::int32_t day = dayNumber(2024, 1, 5);
    addBytes(l.ledger, b, day, false, bytes);
    addBytes(l.ledger, a, day, false, counters);
    addBytes(l.ledger, a, day - 1, false, bytes);
    addBytes(l.ledger, a, dayNumber(2022, 11, 20), true, bytes);

    std::string text = l.write();
    EXPECT_EQ(text.rfind("# Velnor usage ledger: ", 0), 0u);
    const std::string tail =
        std::string("interface\t") + kGuid + "\tEthernet adapter\n" + "interface\tLoopback\t\n" +
        "checkpoint\t" + kGuid + "\t-5\t64\t9223372036854775807\t0\n" +
        "checkpoint\tLoopback\t1700000000\t32\t4294967295\t1\t86400\n" + "2022-11\t" + kGuid +
        "\t100\t7\n" + "2024-01-04\t" + kGuid + "\t100\t7\n" + "2024-01-05\t" + kGuid +
        "\t9223372036854775807\t0\n" + "2024-01-05\tLoopback\t100\t7\n";
    EXPECT_EQ(text.substr(text.size() - std::min(text.size(), tail.size())), tail);
    Ledger back;
    EXPECT_TRUE(back.read(text).ok);
    EXPECT_EQ(back.write(), text);
}

TEST(LedgerFile, LinesWrittenByAPerson) {
    Ledger l;
    // A byte-order mark first, as a spreadsheet's "CSV UTF-8" writes it.
    LedgerReadResult result = l.read("\xEF\xBB\xBF# mine\r\n\r\n"
                                     "2024-03-01\t{4d36e972-e325-11ce-bfc1-08002be10318}\t5\t6\r\n"
                                     "2024-03-01\t{4D36E972-E325-11CE-BFC1-08002BE10318}\t1\t0\r\n"
                                     "2024-03-01\tLoopback\t0009223372036854775807\t0");
    EXPECT_TRUE(result.ok) << result.reason;
    ASSERT_EQ(l.ledger.interfaceCount, 2);
    EXPECT_STREQ(l.ledger.interfaces[0].id, kGuid);
    EXPECT_STREQ(l.ledger.interfaces[0].description, "");
    EXPECT_EQ(l.ledger.entryCount, 2);
    EXPECT_EQ(l.add(kGuid), 0);
    EXPECT_EQ(l.total(0, 0), 6);
    EXPECT_EQ(l.total(1, 0), INT64_MAX);
}

// Newest first, as a spreadsheet may sort it: each line is a day before the ones read, which once
// cost a search of every entry per line (19 s for 180,000 lines), at start, on the shell's thread.
TEST(LedgerFile, LinesNewestFirstAreNotSearchedOneByOne) {
    std::string text;
    const std::int32_t first = dayNumber(2020, 1, 1);
    char line[64];
    for (std::int32_t day = first + 1999; day >= first; --day) {
        const CivilDate date = civilDate(day);
        for (int id = 0; id < 50; ++id) {
            std::snprintf(line, sizeof line, "%04d-%02d-%02d\tif%d\t100\t1\n", date.year,
                          date.month, date.day, id);
            text += line;
        }
    }
    Ledger l;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(l.read(text).ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(l.total(l.add("if7"), 0), 200000);
}

TEST(LedgerFile, DamagedLines) {
    struct Row {
        std::string text;
        const char* reason;
    };
    const Row rows[] = {
        {"2023-02-29\tx\t1\t2\n", "line 1: no such date"},
        {"# c\n\n2023-13\tx\t1\t2\n", "line 3: no such date"},
        {"0000-01-01\tx\t1\t2\n", "line 1: no such date"},
        {"2023-1-05\tx\t1\t2\n", "line 1: not a date"},
        {std::string("2023-01\0005\tx\t1\t2\n", 16), "line 1: not a date"},
        {"bogus\tx\t1\t2\n", "line 1: unknown word"},
        {" 2023-01-05\tx\t1\t2\n", "line 1: unknown word"},
        {"2023-01-05\tx\t1\n", "line 1: wrong number of fields"},
        {"2023-01-05\tx\t1\t2\t3\n", "line 1: wrong number of fields"},
        {"interface\tx\n", "line 1: wrong number of fields"},
        {"checkpoint\tx\t1\t64\t1\t2\t3\t4\n", "line 1: wrong number of fields"},
        {"checkpoint\tx\t1\t64\t1\t2\t-3\n", "line 1: bad uptime"},
        {"interface\t\tdesc\n", "line 1: empty id"},
        {"2023-01-05\t" + std::string(257, 'x') + "\t1\t2\n", "line 1: id too long"},
        {"2023-01-05\tx\t+1\t2\n", "line 1: bad count"},
        {"2023-01-05\tx\t1\t-2\n", "line 1: bad count"},
        {"2023-01-05\tx\t 1\t2\n", "line 1: bad count"},
        {"2023-01-05\tx\t\t2\n", "line 1: bad count"},
        {"2023-01-05\tx\t1\t9223372036854775808\n", "line 1: bad count"},
        {"2023-01-05\tx\t1\t18446744073709551617\n", "line 1: bad count"},
        {"2023-01-05\tx\t1e3\t2\n", "line 1: bad count"},
        {"checkpoint\tx\t5\t16\t1\t2\n", "line 1: bad width"},
        {"checkpoint\tx\t\t64\t1\t2\n", "line 1: bad boot time"},
        {"checkpoint\tx\t-9223372036854775809\t64\t1\t2\n", "line 1: bad boot time"},
        {"checkpoint\tx\t5\t32\t4294967296\t0\n", "line 1: count above 32 bits"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        Ledger l;
        LedgerReadResult result = l.read(row.text + "2023-03-01\tgood\t5\t6\n");
        EXPECT_FALSE(result.ok);
        EXPECT_STREQ(result.reason, row.reason);
        // The damaged line is skipped, the good one after it read.
        ASSERT_EQ(l.ledger.interfaceCount, 1);
        EXPECT_STREQ(l.ledger.interfaces[0].id, "good");
        EXPECT_EQ(l.total(0, 1), 6);
    }
}

} // namespace
