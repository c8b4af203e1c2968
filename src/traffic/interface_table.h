// The machine's interface table, through the IP helper library looked up at run time.
// Interfaces are addressed by their position in the table, 0 for the first row.
#pragma once

#include <cstdint>

#include "types.h"

// Both octet counters of one row, read from one query.
struct CounterReading {
    bool found;          // the query succeeded and the row is in the table
    std::uint32_t index; // the system's own number for the row's interface
    bool wide;           // 64-bit counters of the interface's entry, else the row's 32-bit ones
    std::int64_t octets[Channel::Count];
};

namespace InterfaceTable {

constexpr int kDescriptionMax = 256;

bool load();
int count();
// The description of the row at `position`, valid until the next call; empty outside the table.
const char* description(int position);
// The counters of the row at `position`: its interface's 64-bit counters where the system gives
// them, else the row's 32-bit ones widened without sign extension. Nothing found (all zero)
// outside the table and when the query reports a failure.
CounterReading counters(int position);
void release();

} // namespace InterfaceTable
