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

// One row of the table as the last counters() call read it, for whoever counts every interface.
struct RowCounters {
    CounterReading reading;
    bool hasGuid; // the system names the interface by a stable GUID, below
    unsigned char guid[16];
    bool connector;     // the 64-bit row's flags report a connector and no filter: an adapter
    std::uint32_t type; // the row's interface type (24: the loopback)
};

namespace InterfaceTable {

constexpr int kDescriptionMax = 256;
constexpr int kRowsMax = 256; // rows kept by the all-rows reading; further ones are not counted

bool load();
int count();
// The description of the row at `position`, valid until the next call; empty outside the table.
const char* description(int position);
// The counters of the row at `position`: its interface's 64-bit counters where the system gives
// them, else the row's 32-bit ones widened without sign extension. Nothing found (all zero)
// outside the table and when the query reports a failure.
// With all rows on, counters() also reads every row's counters with one query of the table and
// one of all 64-bit counters, where the system has it; a position's own 64-bit query otherwise.
void readAllRows(bool all);
// The rows of the last all-rows reading, `count` of them; none when that reading failed.
const RowCounters* rowsRead(int& count);
// The row's description, from the last query (no new one); tabs as they are, empty outside the
// table.
const char* rowDescription(int position);
// Counts all-rows readings, so a reader can tell a new one from the one it has seen.
unsigned readingsTaken();
CounterReading counters(int position);
// Every row read now, as counters() with all rows on reads them; none when the query fails.
const RowCounters* readEveryRow(int& count);
// Whether the last counters() or readEveryRow() could not read the table (as opposed to a row
// that is not in it).
bool lastReadFailed();
// Of the rows the last query filled (no new query): the interface number at `position` (0
// outside the table) and the description of interface `index` (null when no row holds it).
std::uint32_t indexAt(int position);
const char* descriptionOf(std::uint32_t index);
void release();

} // namespace InterfaceTable
