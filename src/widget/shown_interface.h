// What the tooltip and the usage window say of the interfaces "Velnor.interface:" shows, and the
// ledger's figures of them. With the key empty, the interface at the adapter position's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "types.h"
#include "usage/keeper.h"

// The tooltip's first line: the description, "Automatic: <description>", a named interface that
// is not present, or "All interfaces (<n>)" and a line per counted interface with its rates.
// False with the key empty: the position's description is the caller's.
bool describeChosen(const WidgetSettings& settings, char* out, std::size_t size);
// Today's or the billing period's bytes of the shown interface, or the counted ones' sum.
UsageFigures shownUsage(const WidgetSettings& settings);
// The received plus sent bytes of shownUsage and their period's first day, through the keeper's
// per-tick sums; `identity` tells one shown interface from another (the ledger's interface, or for
// the sum a number below -1 that tells one set of summed interfaces from another).
std::int64_t shownPeriodBytes(const WidgetSettings& settings, std::int32_t& identity,
                              std::int32_t& first);
// As UsageKeeper::daysBytes, for the shown interface or the counted ones' sum.
void shownDaysBytes(const WidgetSettings& settings, std::int32_t first, int days,
                    std::int64_t (*bytes)[2], std::int64_t months[2]);
