// A scripted Iphlpapi.dll: GetIfTable answers with rows a test chose, so that counters and
// descriptions are known. Two ways to choose them:
//
// 1. In process: fakeIfTableSetRows / fakeIfTableStats (support/fake_iphlpapi.h), looked up with
//    GetProcAddress on the loaded fake.
// 2. From another process: when the environment variable VELNOR_FAKE_IFTABLE names a file, every
//    GetIfTable call reads the rows from that file instead (re-read each call, so a test can
//    change the counters of a widget running elsewhere). The file is plain text, one row per line:
//
//        <in-octets> <out-octets> <description>
//
//    in-octets and out-octets are decimal 0 ... 4294967295; the description is the rest of the
//    line after the blanks that follow the second number (it may hold blanks, may be empty, and
//    is cut at 256 bytes); the line ends at LF or CR LF. Empty lines and lines starting with '#'
//    are skipped, so are lines that do not start with two numbers (counted as scriptErrors).
//    A line "route <n>" makes interface number n (a row's position + 1) the default route's; a
//    script without one has no default route. At most 64 rows are used. When the file cannot be
//    read, the rows of the last good read stay (none before the first). Write it to a temporary
//    name and rename it over the old one, so that a reader never sees half a file.
//
// GetIfTable behaves as the platform's does: a null table or a size below what the rows need
// sets the size and returns ERROR_INSUFFICIENT_BUFFER without touching the table; otherwise the
// table is filled (rows in the given order, descriptions without a terminating zero).
// GetIfEntry2 answers for a row whose `wide` is set (never a scripted one), found by its interface
// number, with the row's 64-bit counters; for any other number it reports ERROR_FILE_NOT_FOUND.
// GetIfTable2 lists the rows whose `wide` is set, with those counters, the row's type and connector
// flag, and a GUID made from the interface number as Wine makes it; it fails while GetIfTable
// does, and on its own when told to. FreeMibTable frees its table.
// GetIpForwardTable lists a loopback route (127.0.0.0/8 on interface 1) and, when one is chosen
// (fakeIfRouteSet, or the script's "route" line), a default route (0.0.0.0/0) on that interface,
// whether or not a row holds it; with the size protocol of GetIfTable.
#include <cstring>

#include <winsock2.h>
#include <windows.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include "support/fake_iphlpapi.h"

namespace {

constexpr DWORD kScriptMax = 64 * 1024;

struct FakeState {
    FakeIfRow rows[kFakeIfRowsMax];
    int count;
    FakeIfRow scriptRows[kFakeIfRowsMax];
    int scriptCount;
    FakeIfStats stats;
    int failures;              // GetIfTable calls still to fail
    int wideFailures;          // GetIfTable2 calls still to fail on their own
    std::uint32_t route;       // the default route's interface; 0 for none
    std::uint32_t scriptRoute; // the same, of the last script read
    char script[kScriptMax + 1];
};

FakeState fake;

bool parseCounter(const char*& at, const char* end, std::uint32_t& value) {
    const char* start = at;
    std::uint64_t number = 0;
    while (at < end && *at >= '0' && *at <= '9') {
        number = number * 10 + static_cast<std::uint64_t>(*at - '0');
        if (number > 0xFFFFFFFFu)
            return false;
        ++at;
    }
    value = static_cast<std::uint32_t>(number);
    return at > start;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// One line without its end; false when it is not a row.
bool parseRow(const char* at, const char* end, FakeIfRow& row) {
    row = FakeIfRow{};
    if (!parseCounter(at, end, row.inOctets) || at == end || !isBlank(*at))
        return false;
    while (at < end && isBlank(*at))
        ++at;
    if (!parseCounter(at, end, row.outOctets) || (at < end && !isBlank(*at)))
        return false;
    while (at < end && isBlank(*at))
        ++at;
    std::size_t length = static_cast<std::size_t>(end - at);
    if (length > sizeof row.descr)
        length = sizeof row.descr;
    std::memcpy(row.descr, at, length);
    row.descrLen = static_cast<std::uint32_t>(length);
    return true;
}

void readScript(const char* path) {
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD length = 0;
    BOOL read = ReadFile(file, fake.script, kScriptMax, &length, nullptr);
    CloseHandle(file);
    if (!read)
        return;
    fake.scriptCount = 0;
    fake.scriptRoute = 0;
    const char* at = fake.script;
    const char* end = fake.script + length;
    while (at < end) {
        const char* lineEnd =
            static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
        const char* next = lineEnd ? lineEnd + 1 : end;
        if (!lineEnd)
            lineEnd = end;
        if (lineEnd > at && lineEnd[-1] == '\r')
            --lineEnd;
        if (lineEnd - at > 6 && std::memcmp(at, "route ", 6) == 0) {
            const char* number = at + 6;
            if (!parseCounter(number, lineEnd, fake.scriptRoute) || number != lineEnd)
                ++fake.stats.scriptErrors;
        } else if (lineEnd > at && *at != '#' && fake.scriptCount < kFakeIfRowsMax) {
            if (parseRow(at, lineEnd, fake.scriptRows[fake.scriptCount]))
                ++fake.scriptCount;
            else
                ++fake.stats.scriptErrors;
        }
        at = next;
    }
}

// The rows of this call: the script's when one is named, else the test's; `route` likewise.
const FakeIfRow* currentRows(int& count, std::uint32_t* route = nullptr) {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(kFakeIfTableScriptVariable, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        count = fake.count;
        if (route)
            *route = fake.route;
        return fake.rows;
    }
    readScript(path);
    count = fake.scriptCount;
    if (route)
        *route = fake.scriptRoute;
    return fake.scriptRows;
}

DWORD rowType(const FakeIfRow& row) {
    return row.type != 0 ? row.type : 6; // an Ethernet interface
}

DWORD rowIndex(const FakeIfRow& row, int position) {
    return row.index != 0 ? row.index : static_cast<DWORD>(position + 1);
}

} // namespace

extern "C" {

DWORD WINAPI GetIfTable(MIB_IFTABLE* table, ULONG* size, BOOL order) {
    (void)order; // the rows come in the order they were given
    ++fake.stats.calls;
    if (size == nullptr)
        return ERROR_INVALID_PARAMETER;
    fake.stats.lastSize = *size;
    if (fake.failures > 0) {
        --fake.failures;
        return ERROR_NOT_SUPPORTED;
    }
    if (table != nullptr) {
        SIZE_T block = LocalSize(table);
        if (block != 0 && *size > block)
            ++fake.stats.oversized;
    }
    int count = 0;
    const FakeIfRow* rows = currentRows(count);
    ULONG needed = static_cast<ULONG>(offsetof(MIB_IFTABLE, table) + count * sizeof(MIB_IFROW));
    if (table == nullptr || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memset(table, 0, needed);
    table->dwNumEntries = static_cast<DWORD>(count);
    for (int i = 0; i < count; ++i) {
        MIB_IFROW& row = table->table[i];
        row.dwIndex = rowIndex(rows[i], i);
        row.dwType = rowType(rows[i]);
        row.dwInOctets = rows[i].inOctets;
        row.dwOutOctets = rows[i].outOctets;
        row.dwDescrLen = rows[i].descrLen;
        std::memcpy(row.bDescr, rows[i].descr, sizeof row.bDescr);
    }
    *size = needed;
    ++fake.stats.filled;
    return NO_ERROR;
}

DWORD WINAPI GetIfEntry2(MIB_IF_ROW2* row) {
    ++fake.stats.entryCalls;
    if (row == nullptr)
        return ERROR_INVALID_PARAMETER;
    int count = 0;
    const FakeIfRow* rows = currentRows(count);
    for (int i = 0; i < count; ++i) {
        if (rows[i].wide == 0 || rowIndex(rows[i], i) != row->InterfaceIndex)
            continue;
        row->InOctets = rows[i].inOctets64;
        row->OutOctets = rows[i].outOctets64;
        return NO_ERROR;
    }
    return ERROR_FILE_NOT_FOUND;
}

DWORD WINAPI GetIfTable2(MIB_IF_TABLE2** table) {
    ++fake.stats.wideTableCalls;
    if (table == nullptr)
        return ERROR_INVALID_PARAMETER;
    *table = nullptr;
    if (fake.failures > 0)
        return ERROR_NOT_SUPPORTED;
    if (fake.wideFailures > 0) {
        --fake.wideFailures;
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    int count = 0;
    const FakeIfRow* rows = currentRows(count);
    SIZE_T size = offsetof(MIB_IF_TABLE2, Table) + (count + 1) * sizeof(MIB_IF_ROW2);
    MIB_IF_TABLE2* wide = static_cast<MIB_IF_TABLE2*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, size));
    if (wide == nullptr)
        return ERROR_NOT_ENOUGH_MEMORY;
    for (int i = 0; i < count; ++i) {
        if (rows[i].wide == 0)
            continue;
        MIB_IF_ROW2& row = wide->Table[wide->NumEntries++];
        row.InterfaceIndex = rowIndex(rows[i], i);
        row.InterfaceGuid =
            GUID{row.InterfaceIndex, 0, 0, {0, 0, 0x4E, 0x65, 0x74, 0x44, 0x65, 0x76}};
        row.Type = rowType(rows[i]);
        row.InterfaceAndOperStatusFlags.ConnectorPresent = rows[i].connector != 0;
        row.InterfaceAndOperStatusFlags.FilterInterface = rows[i].filter != 0;
        row.InOctets = rows[i].inOctets64;
        row.OutOctets = rows[i].outOctets64;
    }
    *table = wide;
    return NO_ERROR;
}

void WINAPI FreeMibTable(void* memory) {
    if (memory != nullptr)
        LocalFree(memory);
}

DWORD WINAPI GetIpForwardTable(MIB_IPFORWARDTABLE* table, ULONG* size, BOOL) {
    ++fake.stats.routeCalls;
    if (size == nullptr)
        return ERROR_INVALID_PARAMETER;
    int count = 0;
    std::uint32_t route = 0;
    currentRows(count, &route);
    MIB_IPFORWARDROW rows[2] = {};
    rows[0].dwForwardDest = 0x0000007F; // 127.0.0.0/8, in network order
    rows[0].dwForwardMask = 0x000000FF;
    rows[0].dwForwardIfIndex = 1;
    rows[1].dwForwardIfIndex = route;
    rows[1].dwForwardMetric1 = 10;
    const DWORD entries = route != 0 ? 2 : 1;
    const ULONG needed = static_cast<ULONG>(sizeof(DWORD) + entries * sizeof(MIB_IPFORWARDROW));
    if (table == nullptr || *size < needed) {
        *size = needed;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    table->dwNumEntries = entries;
    std::memcpy(table->table, rows, entries * sizeof(MIB_IPFORWARDROW));
    return NO_ERROR;
}

void fakeIfTableSetRows(const FakeIfRow* rows, int count) {
    if (count < 0 || rows == nullptr)
        count = 0;
    if (count > kFakeIfRowsMax)
        count = kFakeIfRowsMax;
    if (count > 0)
        std::memcpy(fake.rows, rows, static_cast<std::size_t>(count) * sizeof(FakeIfRow));
    fake.count = count;
    fake.stats = FakeIfStats{};
}

void fakeIfTableFail(int calls) {
    fake.failures = calls;
}

void fakeIfTable2Fail(int calls) {
    fake.wideFailures = calls;
}

void fakeIfRouteSet(std::uint32_t index) {
    fake.route = index;
}

void fakeIfTableStats(FakeIfStats* stats) {
    if (stats != nullptr)
        *stats = fake.stats;
}

} // extern "C"
