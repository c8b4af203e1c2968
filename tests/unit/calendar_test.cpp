#include <gtest/gtest.h>

#include "usage/calendar.h"
#include "usage/checkpoint.h"

namespace {

TEST(Calendar, DayNumbersAndDates) {
    struct Row {
        int year, month, day;
        std::int32_t number;
    };
    const Row rows[] = {
        {1970, 1, 1, 0},    {1969, 12, 31, -1},      {2000, 2, 29, 11016}, {2000, 3, 1, 11017},
        {1, 1, 1, -719162}, {9999, 12, 31, 2932896}, {2024, 2, 29, 19782},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.number);
        EXPECT_EQ(dayNumber(row.year, row.month, row.day), row.number);
        CivilDate date = civilDate(row.number);
        EXPECT_EQ(date.year * 10000 + date.month * 100 + date.day,
                  row.year * 10000 + row.month * 100 + row.day);
    }
    // Every day of the file's years follows the one before it.
    CivilDate previous = civilDate(dayNumber(kFirstYear, 1, 1));
    for (std::int32_t day = dayNumber(kFirstYear, 1, 1) + 1; day <= dayNumber(kLastYear, 12, 31);
         ++day) {
        CivilDate date = civilDate(day);
        bool next = previous.day < daysInMonth(previous.year, previous.month)
                        ? date.year == previous.year && date.month == previous.month &&
                              date.day == previous.day + 1
                        : date.day == 1 &&
                              (previous.month < 12
                                   ? date.year == previous.year && date.month == previous.month + 1
                                   : date.year == previous.year + 1 && date.month == 1);
        ASSERT_TRUE(next) << day;
        previous = date;
    }
}

TEST(Calendar, ValidDates) {
    struct Row {
        int year, month, day;
        bool valid;
    };
    const Row rows[] = {
        {2023, 2, 29, false}, {2024, 2, 29, true},  {1900, 2, 29, false}, {2000, 2, 29, true},
        {2023, 13, 1, false}, {2023, 0, 1, false},  {2023, 4, 31, false}, {2023, 1, 0, false},
        {0, 1, 1, false},     {10000, 1, 1, false}, {9999, 12, 31, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.year * 10000 + row.month * 100 + row.day);
        EXPECT_EQ(validDate(row.year, row.month, row.day), row.valid);
    }
}

TEST(Calendar, BillingPeriods) {
    struct Row {
        int billingDay;
        CivilDate today, start, end;
    };
    const Row rows[] = {
        {31, {2023, 4, 15}, {2023, 3, 31}, {2023, 4, 29}}, // a 30-day month starts on the 30th
        {31, {2023, 4, 30}, {2023, 4, 30}, {2023, 5, 30}},
        {31, {2023, 1, 31}, {2023, 1, 31}, {2023, 2, 27}}, // February's starts on the 28th
        {31, {2023, 2, 28}, {2023, 2, 28}, {2023, 3, 30}},
        {30, {2024, 2, 29}, {2024, 2, 29}, {2024, 3, 29}},
        {30, {2023, 7, 30}, {2023, 7, 30}, {2023, 8, 29}},
        {29, {2023, 2, 28}, {2023, 2, 28}, {2023, 3, 28}},
        {29, {2024, 2, 28}, {2024, 1, 29}, {2024, 2, 28}},
        {29, {1900, 2, 28}, {1900, 2, 28}, {1900, 3, 28}}, // 1900 has no February 29
        {29, {2000, 2, 28}, {2000, 1, 29}, {2000, 2, 28}}, // 2000 has
        {28, {2023, 3, 28}, {2023, 3, 28}, {2023, 4, 27}}, // the billing day itself
        {28, {2023, 3, 27}, {2023, 2, 28}, {2023, 3, 27}}, // the day before it
        {15, {2024, 1, 10}, {2023, 12, 15}, {2024, 1, 14}},
        {31, {2023, 12, 31}, {2023, 12, 31}, {2024, 1, 30}},
        {1, {2023, 12, 31}, {2023, 12, 1}, {2023, 12, 31}},
        {0, {2023, 5, 1}, {2023, 5, 1}, {2023, 5, 31}}, // outside 1..31: 1
        {32, {2023, 5, 31}, {2023, 5, 1}, {2023, 5, 31}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.billingDay << " " << row.today.year << "-"
                                        << row.today.month << "-" << row.today.day);
        std::int32_t today = dayNumber(row.today.year, row.today.month, row.today.day);
        EXPECT_EQ(periodStart(today, row.billingDay),
                  dayNumber(row.start.year, row.start.month, row.start.day));
        EXPECT_EQ(periodEnd(today, row.billingDay),
                  dayNumber(row.end.year, row.end.month, row.end.day));
    }
}

TEST(Checkpoint, TrafficWhileStopped) {
    constexpr std::int64_t k2To32 = std::int64_t{1} << 32;
    constexpr std::int64_t kGiB = std::int64_t{1} << 30;
    struct Row {
        const char* name;
        bool has;
        bool checkpointWide;
        std::int64_t checkpoint;
        std::int64_t bootLater; // boot now minus the checkpoint's
        bool wide;
        std::int64_t reading;
        std::int64_t traffic;
        std::int64_t uptimeThen, uptimeNow; // the checkpoint's (0: an older file) and now
    };
    const Row rows[] = {
        {"same boot, counter above", true, true, 1000, 0, true, 1500, 500, 0, 0},
        {"clock drift within the tolerance", true, true, 1000, 300, true, 1500, 500, 0, 0},
        {"clock drift back", true, true, 1000, -300, true, 1500, 500, 0, 0},
        {"another boot", true, true, 1000, 301, true, 1500, 1500, 0, 0},
        {"another boot, counter below", true, true, 1000, -301, true, 200, 200, 0, 0},
        {"same boot, 64-bit counter reset", true, true, 1000, 0, true, 200, 200, 0, 0},
        {"same boot, 32-bit wrap", true, false, k2To32 - 1000, 0, false, 500, 1500, 0, 0},
        {"same boot, 32-bit: 2.5 GiB past 3 GiB counts modulo 2^32", true, false, 3 * kGiB, 0,
         false, 3 * kGiB + 5 * kGiB / 2 - k2To32, 5 * kGiB / 2, 0, 0},
        {"another boot, 32-bit", true, false, 3000000000, 1000, false, 800, 800, 0, 0},
        {"width changed", true, false, 1000, 0, true, 1500, 1500, 0, 0},
        {"no checkpoint", false, true, 0, 0, true, 1500, 0, 0, 0},
        {"uptime grew: same boot after a clock step", true, true, 1000, 3600, true, 1500, 500, 5000,
         5000},
        {"uptime grew: same boot after a step back", true, true, 1000, -86400, true, 1500, 500,
         5000, 9000},
        {"uptime below the checkpoint's: another boot", true, true, 1000, 0, true, 1500, 1500, 5000,
         4999},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        UsageInterface interface {};
        interface.hasCheckpoint = row.has;
        interface.checkpoint = {
            1700000000, row.checkpointWide, {row.checkpoint, row.checkpoint}, row.uptimeThen, 0};
        const std::int64_t readings[2] = {row.reading, row.reading + 1};
        std::int64_t traffic[2] = {-1, -1};
        trafficSinceCheckpoint(interface, readings, row.wide, 1700000000 + row.bootLater,
                               row.uptimeNow, traffic);
        EXPECT_EQ(traffic[0], row.traffic);
        EXPECT_EQ(traffic[1], row.traffic == 0 ? 0 : row.traffic + 1);
    }
}

} // namespace
