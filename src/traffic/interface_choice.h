// Which rows of the interface table "Velnor.interface:" shows: one interface by its identity, the
// default route's, or the sum of the physical ones. Win32-free, so that the rules run natively.
#pragma once

#include <cstddef>
#include <cstdint>

#include "traffic/interface_table.h"

enum class InterfaceMode {
    Position, // empty: the row at "Velnor.adapter:"
    Named,    // a GUID or a description
    Auto,     // the interface of the default route
    All,      // the sum of the interfaces with a connector
};

struct InterfaceChoice {
    InterfaceMode mode;
    bool byGuid; // Named by a GUID in registry form, `guid` below; else by description
    unsigned char guid[16];
};

// The IANA interface type of the loopback, as the table's rows give it.
constexpr std::uint32_t kLoopbackType = 24;

// "", "auto", "all" (any letter case), a "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" GUID (either
// case), anything else a description.
InterfaceChoice parseInterfaceChoice(const char* text);
// The registry form of a GUID held as the platform lays it out in memory, upper case.
void formatGuid(const unsigned char* bytes, char* out, std::size_t size);
// The row of `rows` holding the named interface, -1 when none does. `hint` (the row that held it
// last) is tried first; descriptions are asked only of rows without a GUID match.
int namedRow(const InterfaceChoice& choice, const char* text, const RowCounters* rows, int count,
             const char* (*description)(int row), int hint);
// The row of interface number `index`, -1 when none; `hint` first.
int rowOfIndex(std::uint32_t index, const RowCounters* rows, int count, int hint);
// Whether `all` adds the row: one with a connector where any row of the table reports one (so the
// system gives the flags), else every row but the loopback.
bool connectorsReported(const RowCounters* rows, int count);
bool countedInAll(const RowCounters& row, bool connectors);
