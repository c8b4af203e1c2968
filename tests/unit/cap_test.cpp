#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "settings/cap.h"
#include "usage/calendar.h"

namespace {

constexpr std::int64_t kKiB = 1024, kMiB = kKiB * 1024, kGiB = kMiB * 1024, kTiB = kGiB * 1024;

TEST(Cap, TextsToBytes) {
    struct Row {
        const char* text;
        std::int64_t bytes;
    };
    const Row rows[] = {
        {"100 GB", 100 * kGiB},
        {"1.5TB", 3 * kTiB / 2},
        {"750 mb", 750 * kMiB},
        {"  2 Kb\t", 2 * kKiB},
        {"4096", 4096},
        {"12 b", 12},
        {".5 KB", 512},
        {"1.9999 B", 1}, // rounded down
        {"9223372036854775807", INT64_MAX},
        {"8388607.99999999999999999999 TB", INT64_MAX},
        // No cap: nothing, nothing to count, not a number, an unknown unit, 2^63 bytes or more.
        {"", 0},
        {"0", 0},
        {"0.4 B", 0},
        {"-5 GB", 0},
        {"+5 GB", 0},
        {"abc", 0},
        {".", 0},
        {"GB", 0},
        {"5 PB", 0},
        {"5 K", 0},
        {"5 GBs", 0},
        {"5 G B", 0},
        {"1e3", 0},
        {"1,5 GB", 0},
        {"8388608 TB", 0},
        {"9223372036854775808", 0},
        {"99999999999999999999999 B", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseCapBytes(row.text), row.bytes);
    }
    EXPECT_EQ(parseCapBytes(nullptr), 0);
}

TEST(Cap, LimitIsTheSmallerOfCapAndBudget) {
    struct Row {
        const char* what;
        std::int64_t cap;
        double budget, price;
        int warn;
        std::int64_t bytes;
        bool budgetLimits;
        std::int64_t warnBytes;
    };
    const Row rows[] = {
        {"none", 0, 0, 1, 80, 0, false, 0},
        {"cap", 1000, 0, 1, 80, 1000, false, 800},
        {"warn rounded up", 999, 0, 1, 80, 999, false, 800}, // 799.2 bytes
        {"budget", 0, 10, 1, 80, 10240, true, 8192},
        {"budget at a price", 0, 0.05, 0.001, 80, 51200, true, 40960},
        {"cap smaller", 1000, 10, 1, 80, 1000, false, 800},
        {"budget smaller", 20000, 10, 1, 80, 10240, true, 8192},
        {"price 0: never reached", 1000, 10, 0, 80, 1000, false, 800},
        {"negative price", 0, 10, -1, 80, 0, false, 0},
        {"negative budget", 0, -10, 1, 80, 0, false, 0},
        {"budget past 2^63 bytes", 0, 1e16, 1, 80, 0, false, 0},
        {"a budget's byte at least", 0, 1e-9, 1, 80, 1, true, 1},
        {"warn 0 is 80", 1000, 0, 1, 0, 1000, false, 800},
        {"warn 101 is 80", 1000, 0, 1, 101, 1000, false, 800},
        {"warn 100", 1000, 0, 1, 100, 1000, false, 1000},
        {"warn 1", 1000, 0, 1, 1, 1000, false, 10},
        {"largest cap", INT64_MAX, 0, 1, 80, INT64_MAX, false, 7378697629483820646},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const CapLimit limit = capLimit(row.cap, row.budget, row.price, row.warn);
        EXPECT_EQ(limit.bytes, row.bytes);
        EXPECT_EQ(limit.budget, row.budgetLimits);
        EXPECT_EQ(limit.warnBytes, row.warnBytes);
    }
    // A budget's figures are costs too, even where the cap is the smaller limit.
    EXPECT_TRUE(capLimit(1000, 10, 1, 80).costs);
    EXPECT_TRUE(capLimit(1000, 1e16, 1, 80).costs) << "a budget of 2^63 bytes and more";
    EXPECT_FALSE(capLimit(1000, 0, 1, 80).costs);
}

TEST(Cap, FiguresAtThePeriodsEdges) {
    const std::int32_t feb10 = dayNumber(2027, 2, 10), dec5 = dayNumber(2026, 12, 5);
    const std::int32_t jan4 = dec5 + 30;
    // Billing day 31 in February: the period is January 31st to February 27th.
    const CapClock billing31{periodStart(feb10, 31), periodEnd(feb10, 31), feb10, 0};
    // 4:00 on a day the clocks went an hour forward (23 hours, 3 gone) or back (25, 5 gone).
    const CapClock forward{feb10, feb10, feb10, 14400, 3600, 3600};
    const CapClock back{feb10, feb10, feb10, 14400, -3600, -3600};
    constexpr int kBelow = CapLevel::Below, kWarn = CapLevel::Warn, kOver = CapLevel::Over;
    constexpr std::int64_t kMax = INT64_MAX;
    struct Row {
        const char* what;
        std::int64_t cap, used;
        CapClock clock;
        int level;
        std::int64_t percent, left, daily;
        std::int32_t daysLeft;
        bool estimated;
        std::int64_t estimate;
    };
    const Row rows[] = {
        {"79%", 1000, 799, {dec5, jan4, dec5 + 10, 0}, kBelow, 79, 201, 9, 21, true, 2476},
        {"80%", 1000, 800, {dec5, jan4, dec5 + 10, 0}, kWarn, 80, 200, 9, 21, true, 2480},
        {"99%", 1000, 999, {dec5, jan4, jan4, 0}, kWarn, 99, 1, 1, 1, true, 1032},
        {"last day", 1000, 1000, {dec5, jan4, jan4, 86399}, kOver, 100, 0, 0, 1, true, 1000},
        {"over", 1000, 2500, {dec5, jan4, dec5 + 1, 0}, kOver, 250, 0, 0, 30, true, 77500},
        {"first hour", 1000, 10, {dec5, jan4, dec5, 3599}, kBelow, 1, 990, 31, 31, false, 0},
        {"an hour in", 1000, 10, {dec5, jan4, dec5, 3600}, kBelow, 1, 990, 31, 31, true, 7440},
        {"billing day 31", 2800, 1000, billing31, kBelow, 35, 1800, 100, 18, true, 2800},
        {"day, noon", 1000, 300, {feb10, feb10, feb10, 43200}, kBelow, 30, 700, 700, 1, true, 600},
        {"day, 0:10", 1000, 300, {feb10, feb10, feb10, 600}, kBelow, 30, 700, 700, 1, false, 0},
        {"day, an hour forward", 1000, 300, forward, kBelow, 30, 700, 700, 1, true, 2300},
        {"day, an hour back", 1000, 300, back, kBelow, 30, 700, 700, 1, true, 1500},
        {"2^63 - 1", 1, kMax, {dec5, jan4, dec5 + 1, 0}, kOver, kMax, 0, 0, 30, true, kMax},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const CapLimit limit = capLimit(row.cap, 0, 1, 80);
        const CapFigures figures = capFigures(limit, row.used, row.clock);
        EXPECT_EQ(capLevel(limit, row.used), row.level);
        EXPECT_EQ(figures.percent, row.percent);
        EXPECT_EQ(figures.left, row.left);
        EXPECT_EQ(figures.daily, row.daily);
        EXPECT_EQ(figures.daysLeft, row.daysLeft);
        EXPECT_EQ(figures.estimated, row.estimated);
        EXPECT_EQ(figures.estimate, row.estimate);
    }
}

TEST(Cap, MulDivFloorHoldsEveryProduct) {
    EXPECT_EQ(mulDivFloor(INT64_MAX, 100, 100), INT64_MAX);
    EXPECT_EQ(mulDivFloor(INT64_MAX, 2678400, 2678401), 9223368593243443204);
    EXPECT_EQ(mulDivFloor(INT64_MAX, INT64_MAX, INT64_MAX), INT64_MAX);
    EXPECT_EQ(mulDivFloor(3, 7, 2), 10);
    EXPECT_EQ(mulDivFloor(INT64_MAX, 2, 1), INT64_MAX);
}

TEST(Cap, TextsCarryEveryFigure) {
    const std::int32_t first = dayNumber(2026, 12, 5), last = dayNumber(2027, 1, 4);
    const CapClock clock{first, last, first + 21, 6000};
    const std::int64_t used = 86113401651; // 80.20 GB
    struct Row {
        const char* what;
        CapLimit limit;
        std::int64_t used;
        std::string lines, summary, brief, title, warning;
    };
    const Row rows[] = {
        {"cap", capLimit(100 * kGiB, 0, 1, 80), used,
         "\r\ncap 100.00 GB: 80.20 GB used (80%), 19.80 GB left, 1.98 GB a day for 10 days"
         "\r\nestimated 118.00 GB by 2027-01-04, 18.00 GB over",
         "80.20 GB of cap 100.00 GB (80%), estimated 118.00 GB",
         "80.20 GB of 100.00 GB (80%), est. 118.00 GB", "Velnor: 80% of the cap used",
         "80.20 GB used (80%), 19.80 GB left, 1.98 GB a day for 10 days"},
        {"budget", capLimit(0, 102400, 1, 80), 50 * kMiB,
         "\r\nbudget 100.0 MB (cost 102400.00): 50.0 MB (cost 51200.00) used (50%), 50.0 MB (cost "
         "51200.00) left, 5.0 MB (cost 5120.00) a day for 10 days"
         "\r\nestimated 73.6 MB (cost 75331.84) by 2027-01-04",
         "50.0 MB of budget 100.0 MB (50%), estimated 73.6 MB",
         "50.0 MB of 100.0 MB (50%), est. 73.6 MB", "Velnor: 100% of the budget used",
         "50.0 MB (cost 51200.00) used (50%), 50.0 MB (cost 51200.00) left, 5.0 MB (cost "
         "5120.00) a day for 10 days"},
        {"none", capLimit(0, 0, 1, 80), used, "", "", "", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const CapFigures figures = capFigures(row.limit, row.used, clock);
        char lines[600];
        const int length = formatCapLines(row.limit, figures, clock, lines, sizeof lines);
        EXPECT_EQ(lines, row.lines);
        EXPECT_EQ(length, static_cast<int>(row.lines.size()));
        if (row.limit.bytes == 0)
            continue;
        char summary[200], title[80], warning[300];
        formatCapSummary(row.limit, figures, summary, sizeof summary);
        EXPECT_EQ(summary, row.summary);
        formatCapSummary(row.limit, figures, summary, sizeof summary, true);
        EXPECT_EQ(summary, row.brief);
        formatCapWarning(row.limit, figures, row.limit.budget ? CapLevel::Over : CapLevel::Warn,
                         title, sizeof title, warning, sizeof warning);
        EXPECT_EQ(title, row.title);
        EXPECT_EQ(warning, row.warning);
    }
    // A short buffer holds what fits, and the length says so.
    char shortBuffer[20];
    const CapLimit limit = capLimit(100 * kGiB, 0, 1, 80);
    EXPECT_EQ(formatCapLines(limit, capFigures(limit, used, clock), clock, shortBuffer,
                             sizeof shortBuffer),
              19);
}

} // namespace
