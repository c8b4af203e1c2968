// The running widget's usage ledger: counts every interface of each tick's reading into today,
// keeps the file beside the settings (loaded at start, saved within a minute of new traffic, at a
// change of date and at stop), and answers the labels' figures of today or the billing period.
#pragma once

#include <cstdint>

namespace UsagePeriod {
enum : int { Boot = 0, Day = 1, Month = 2 };
}

// What the labels count: received and sent bytes from `first` through `last` (day numbers).
struct UsageFigures {
    std::int64_t bytes[2];
    std::int32_t first, last;
};

namespace UsageKeeper {

// By every reload. With Boot nothing is kept (a kept ledger is saved and let go); with Day or
// Month the ledger at `path` is kept unless another widget keeps it. Only a start's first call
// reads the file.
void configure(int period, int billingDay, const char* path, int position);
// After each tick's reading of the table: every interface's bytes go to today.
void count();
// Saves now, if anything is kept.
void save();
// The last save and everything released: back to the loaded state.
void stop();
bool keeping();
int period();
// The figures of the interface at `position`: today's or the billing period's. A month line counts
// toward the billing period that holds its first day, never toward today.
UsageFigures figures(int position);
// The received plus sent bytes of figures(position), and in `first` its first day, for every tick
// at the cost of a comparison: the days before today are summed again only when the date, the
// interface or the ledger's entries changed; today's are read from the entry the tick counts into.
std::int64_t periodBytes(int position, std::int32_t& first);
// The first day of the billing period containing today, its last day, and today.
void billingPeriod(std::int32_t& first, std::int32_t& last, std::int32_t& today);
// Received and sent bytes of the interface at `position` on each of `days` days from `first`, and
// in `months` those of its month lines whose first day lies there, which no day holds; gathered in
// one pass over the ledger.
void daysBytes(int position, std::int32_t first, int days, std::int64_t (*bytes)[2],
               std::int64_t months[2]);
// The ledger's interface shown at `position`, -1 for none: another one takes the position when the
// table's rows shift.
std::int32_t shownInterface(int position);
// Empty when all is well; else what the tooltip says: a save that failed, a damaged ledger set
// aside, another widget keeping the ledger.
const char* status();

} // namespace UsageKeeper
