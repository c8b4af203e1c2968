// The period's allowance: a data cap in bytes or a budget at the price, the thresholds the widget
// warns at, what is left and the estimate for the period, and the texts that show them.
// Win32-free: all of it is arithmetic on the ledger's figures and the local time.
#pragma once

#include <cstddef>
#include <cstdint>

// "100 GB", "1.5TB", "750 mb", "4096": a decimal number and an optional unit B, KB, MB, GB or TB
// (powers of 1024, any letter case, spaces before the unit), rounded down to whole bytes.
// 0 means no cap: empty, 0, negative, not a number, an unknown unit, or 2^63 bytes and more.
std::int64_t parseCapBytes(const char* text);
// The warning percentage; outside 1..100 it is 80.
int normalCapWarn(int percent);

namespace CapLevel {
enum : int { Below = 0, Warn = 1, Over = 2 };
}

// The limit the period's bytes are held against.
struct CapLimit {
    std::int64_t bytes;     // 0: no limit
    bool budget;            // the budget at the price is the smaller: the limit's word
    bool costs;             // a budget is set: byte figures are also given as costs
    double price;           // of 1024 bytes
    std::int32_t warn;      // percent, 1..100
    std::int64_t warnBytes; // the fewest bytes at `warn` percent (rounded up)
};

// The smaller of the cap and the budget's bytes at `price`; a budget of 0 or less, or a price of 0
// or less (never reached), sets none.
CapLimit capLimit(std::int64_t capBytes, double budget, double price, int warnPercent);
int capLevel(const CapLimit& limit, std::int64_t used);

// Where the period stands: its first and last day and today (day numbers), and the seconds since
// today's local midnight. The clock's changes for daylight saving make a day of 23 or 25 hours:
// the seconds the local clock went forward since the period's first midnight, and by the midnight
// after its last day (negative where it went back).
struct CapClock {
    std::int32_t first, last, today;
    std::int32_t seconds;
    std::int32_t forward = 0, forwardByEnd = 0;
};

struct CapFigures {
    std::int64_t used;
    std::int64_t percent;  // of the limit, rounded down
    std::int64_t left;     // 0 when over
    std::int32_t daysLeft; // today included
    std::int64_t daily;    // left over the days left, rounded down
    bool estimated;        // false in the period's first hour
    std::int64_t estimate; // used x the period's length / the time since it began
};

// Byte counts stay below 2^63: every result saturates there.
CapFigures capFigures(const CapLimit& limit, std::int64_t used, const CapClock& clock);
// floor(a x b / c) without overflow, held at INT64_MAX; c > 0.
std::int64_t mulDivFloor(std::int64_t a, std::int64_t b, std::int64_t c);

// The tooltip's two lines ("cap 100.00 GB: 80.20 GB used (80%), ..." and "estimated ... by
// 2027-01-04, 18.00 GB over"), each after "\r\n"; nothing without a limit. Returns the length.
int formatCapLines(const CapLimit& limit, const CapFigures& figures, const CapClock& clock,
                   char* out, std::size_t size);
// The balloon's title and text at `level`.
void formatCapWarning(const CapLimit& limit, const CapFigures& figures, int level, char* title,
                      std::size_t titleSize, char* text, std::size_t textSize);
// The usage window's line: used, limit, percentage and the estimate; `brief` leaves out the
// limit's kind and shortens "estimated", for a row too narrow for the whole line.
void formatCapSummary(const CapLimit& limit, const CapFigures& figures, char* out, std::size_t size,
                      bool brief = false);
