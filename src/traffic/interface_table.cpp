#include "traffic/interface_table.h"

#include <cstddef>
#include <cstring>

#include "platform.h"
// The interface entry's declarations need the socket types first.
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include "types.h"

static_assert(sizeof(MIB_IFROW) == 860, "the platform's interface row");
static_assert(sizeof(MIB_IFROW::bDescr) == InterfaceTable::kDescriptionMax, "description bytes");

namespace {

typedef DWORD(WINAPI* GetIfTableFn)(MIB_IFTABLE* table, ULONG* size, BOOL order);
typedef DWORD(WINAPI* GetIfEntry2Fn)(MIB_IF_ROW2* row);
typedef DWORD(WINAPI* GetIfTable2Fn)(MIB_IF_TABLE2** table);
typedef void(WINAPI* FreeMibTableFn)(void* memory);

constexpr std::size_t kRowsOffset = offsetof(MIB_IFTABLE, table);
// A table that grows is asked again at most this often in one refresh; it may grow meanwhile.
constexpr int kGrowAttempts = 3;
// 64-bit counts are held below 2^62, so that the sum of both directions stays in range; no
// interface comes near it.
constexpr ULONG64 kWideMax = (ULONG64{1} << 62) - 1;

struct InterfaceTableState {
    HMODULE library;
    GetIfTableFn query;
    GetIfEntry2Fn entry;     // optional: null where the library has no 64-bit counters
    GetIfTable2Fn wideTable; // optional, with freeTable: every row's 64-bit counters at once
    FreeMibTableFn freeTable;
    bool allRows;
    bool failed; // the last reading could not read the table
    RowCounters rows[InterfaceTable::kRowsMax];
    int rowsRead;
    unsigned readings;
    MIB_IFTABLE* buffer;
    ULONG capacity; // bytes; the only size ever handed to the query
    DWORD fit;      // rows the capacity holds, worked out when it changes and not at every row
    char description[InterfaceTable::kDescriptionMax + 1];
};

InterfaceTableState state;

// A fixed block of `size` bytes, zeroed so that an unfilled table reads as empty.
MIB_IFTABLE* allocate(ULONG size) {
    return static_cast<MIB_IFTABLE*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, size));
}

// At least room for the count and one row, so that a reply of "no size" still gives a table.
ULONG usableSize(ULONG size) {
    return size < sizeof(MIB_IFTABLE) ? static_cast<ULONG>(sizeof(MIB_IFTABLE)) : size;
}

void setCapacity(ULONG size) {
    state.capacity = size;
    state.fit = static_cast<DWORD>((size - kRowsOffset) / sizeof(MIB_IFROW));
}

// Re-runs the query into the buffer; true when it filled it. When the table grew past the
// capacity the query fills nothing and reports the size it needs: the buffer is enlarged to it so
// that new interfaces appear. Should that allocation fail, the last good contents stay.
bool refresh() {
    if (state.query == nullptr)
        return false;
    for (int attempt = 0; attempt < kGrowAttempts; ++attempt) {
        ULONG size = state.capacity;
        DWORD result = state.query(state.buffer, &size, TRUE);
        if (result != ERROR_INSUFFICIENT_BUFFER || size <= state.capacity)
            return result == NO_ERROR;
        MIB_IFTABLE* larger = allocate(size);
        if (larger == nullptr)
            return false;
        if (state.buffer != nullptr) {
            std::memcpy(larger, state.buffer, state.capacity);
            LocalFree(state.buffer);
        }
        state.buffer = larger;
        setCapacity(size);
    }
    return false;
}

// Rows present in the buffer: the entry count, but never more rows than the capacity holds.
DWORD rows() {
    if (state.buffer == nullptr)
        return 0;
    return state.buffer->dwNumEntries < state.fit ? state.buffer->dwNumEntries : state.fit;
}

// The menu lists whatever the buffer holds, even after a failed query: the rows of the last good
// one. Counters from such rows would be stale, so `counters` consults the result.
const MIB_IFROW* row(int position) {
    if (position < 0 || static_cast<DWORD>(position) >= rows())
        return nullptr;
    return &state.buffer->table[position];
}

std::int64_t wideCount(ULONG64 octets) {
    return static_cast<std::int64_t>(octets < kWideMax ? octets : kWideMax);
}

CounterReading narrowReading(const MIB_IFROW& entry) {
    CounterReading reading{};
    reading.found = true;
    reading.index = entry.dwIndex;
    reading.octets[Channel::Receive] = std::int64_t{entry.dwInOctets};
    reading.octets[Channel::Send] = std::int64_t{entry.dwOutOctets};
    return reading;
}

// The row's interface's own 64-bit counters where the system gives them; the row's otherwise.
CounterReading entryReading(const MIB_IFROW& entry) {
    CounterReading reading = narrowReading(entry);
    if (state.entry == nullptr)
        return reading;
    MIB_IF_ROW2 wide{};
    wide.InterfaceIndex = entry.dwIndex;
    if (state.entry(&wide) != NO_ERROR)
        return reading; // the row's own counters, then
    reading.wide = true;
    reading.octets[Channel::Receive] = wideCount(wide.InOctets);
    reading.octets[Channel::Send] = wideCount(wide.OutOctets);
    return reading;
}

// The row of `wide` for interface `index`. Both tables come sorted by interface number, so the
// row after the last match is tried first, then every row.
const MIB_IF_ROW2* wideRow(const MIB_IF_TABLE2& wide, DWORD index, ULONG& next) {
    if (next < wide.NumEntries && wide.Table[next].InterfaceIndex == index)
        return &wide.Table[next++];
    for (ULONG at = 0; at < wide.NumEntries; ++at) {
        if (wide.Table[at].InterfaceIndex == index) {
            next = at + 1;
            return &wide.Table[at];
        }
    }
    return nullptr;
}

// What the sum of all interfaces asks of a row besides its counters.
void noteKind(RowCounters& counted, const MIB_IFROW& entry, const MIB_IF_ROW2* row2) {
    counted.type = entry.dwType;
    // A filter row repeats the traffic of the adapter it sits on, connector and all.
    counted.connector = row2 != nullptr && row2->InterfaceAndOperStatusFlags.ConnectorPresent &&
                        !row2->InterfaceAndOperStatusFlags.FilterInterface;
}

// Every row's counters from the buffer just refreshed and one query of all 64-bit counters;
// without that query, the shown position's own. When the query is there but fails, no row is
// read (false): rows without their GUID would count as other interfaces.
bool readRows(int position) {
    MIB_IF_TABLE2* wide = nullptr;
    if (state.wideTable && state.wideTable(&wide) != NO_ERROR)
        return false;
    const DWORD present = rows();
    const int count =
        present < InterfaceTable::kRowsMax ? static_cast<int>(present) : InterfaceTable::kRowsMax;
    ULONG next = 0;
    for (int i = 0; i < count; ++i) {
        const MIB_IFROW& entry = state.buffer->table[i];
        RowCounters& counted = state.rows[i];
        const MIB_IF_ROW2* row2 = wide ? wideRow(*wide, entry.dwIndex, next) : nullptr;
        noteKind(counted, entry, row2);
        counted.hasGuid = row2 != nullptr;
        // Filled field by field: a reading built aside and copied whole is read back before its
        // parts are stored, a stall that costs more than the rest of the row.
        CounterReading& reading = counted.reading;
        if (row2 == nullptr) {
            reading = wide == nullptr && i == position ? entryReading(entry) : narrowReading(entry);
            continue;
        }
        reading.found = true;
        reading.index = entry.dwIndex;
        reading.wide = true;
        reading.octets[Channel::Receive] = wideCount(row2->InOctets);
        reading.octets[Channel::Send] = wideCount(row2->OutOctets);
        std::memcpy(counted.guid, &row2->InterfaceGuid, sizeof counted.guid);
    }
    if (wide)
        state.freeTable(wide);
    state.rowsRead = count;
    return true;
}

} // namespace

namespace InterfaceTable {

bool load() {
    release();
    state.library = LoadLibraryA("Iphlpapi.dll");
    if (state.library == nullptr)
        return false;
    state.query = reinterpret_cast<GetIfTableFn>(
        reinterpret_cast<void*>(GetProcAddress(state.library, "GetIfTable")));
    if (state.query == nullptr) {
        release();
        return false;
    }
    state.entry = reinterpret_cast<GetIfEntry2Fn>(
        reinterpret_cast<void*>(GetProcAddress(state.library, "GetIfEntry2")));
    state.wideTable = reinterpret_cast<GetIfTable2Fn>(
        reinterpret_cast<void*>(GetProcAddress(state.library, "GetIfTable2")));
    state.freeTable = reinterpret_cast<FreeMibTableFn>(
        reinterpret_cast<void*>(GetProcAddress(state.library, "FreeMibTable")));
    if (state.freeTable == nullptr)
        state.wideTable = nullptr;
    ULONG size = 0;
    state.query(nullptr, &size, TRUE);
    size = usableSize(size);
    // Without the memory now the query is still there: the first reading makes the buffer, as it
    // grows one.
    state.buffer = allocate(size);
    if (state.buffer != nullptr)
        setCapacity(size);
    return true;
}

int count() {
    refresh();
    DWORD entries = rows();
    return entries > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(entries);
}

const char* description(int position) {
    refresh();
    return rowDescription(position);
}

void readAllRows(bool all) {
    state.allRows = all;
    state.rowsRead = 0;
}

const RowCounters* rowsRead(int& count) {
    count = state.rowsRead;
    return state.rows;
}

const char* rowDescription(int position) {
    const MIB_IFROW* entry = row(position);
    std::size_t length = 0;
    if (entry != nullptr) {
        length = entry->dwDescrLen < kDescriptionMax ? entry->dwDescrLen : kDescriptionMax;
        std::memcpy(state.description, entry->bDescr, length);
    }
    state.description[length] = '\0';
    return state.description;
}

unsigned readingsTaken() {
    return state.readings;
}

CounterReading counters(int position) {
    const bool filled = refresh();
    state.failed = !filled;
    const MIB_IFROW* entry = filled ? row(position) : nullptr;
    if (state.allRows) {
        ++state.readings;
        state.rowsRead = 0;
        if (filled)
            readRows(position);
        if (position >= 0 && position < state.rowsRead)
            return state.rows[position].reading;
    }
    return entry ? entryReading(*entry) : CounterReading{};
}

const RowCounters* readEveryRow(int& count) {
    ++state.readings;
    state.rowsRead = 0;
    state.failed = !refresh() || !readRows(-1);
    count = state.rowsRead;
    return state.rows;
}

bool lastReadFailed() {
    return state.failed;
}

std::uint32_t indexAt(int position) {
    const MIB_IFROW* entry = row(position);
    return entry ? entry->dwIndex : 0;
}

const char* descriptionOf(std::uint32_t index) {
    for (DWORD at = 0; at < rows(); ++at)
        if (state.buffer->table[at].dwIndex == index)
            return rowDescription(static_cast<int>(at));
    return nullptr;
}

void release() {
    if (state.buffer != nullptr)
        LocalFree(state.buffer);
    if (state.library != nullptr)
        FreeLibrary(state.library);
    state = InterfaceTableState{};
}

} // namespace InterfaceTable
