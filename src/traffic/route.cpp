#include "traffic/route.h"

#include <cstring>

#include "platform.h"
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

namespace {

typedef DWORD(WINAPI* GetIpForwardTableFn)(MIB_IPFORWARDTABLE* table, ULONG* size, BOOL order);

// The routing table goes into this block, so that a question allocates nothing; a table larger
// than it (hundreds of routes) is asked into a block of its own.
struct RouteState {
    alignas(MIB_IPFORWARDTABLE) unsigned char table[16384];
};
RouteState route;

// The interface of the default route (0.0.0.0/0) with the lowest metric, as the system chooses.
bool defaultRoute(const MIB_IPFORWARDTABLE& table, ULONG size, std::uint32_t& index) {
    const ULONG fit = size < sizeof(DWORD)
                          ? 0
                          : static_cast<ULONG>((size - sizeof(DWORD)) / sizeof(MIB_IPFORWARDROW));
    const DWORD rows = table.dwNumEntries < fit ? table.dwNumEntries : fit;
    bool found = false;
    DWORD metric = 0;
    for (DWORD i = 0; i < rows; ++i) {
        const MIB_IPFORWARDROW& row = table.table[i];
        if (row.dwForwardDest != 0 || row.dwForwardMask != 0 || row.dwForwardIfIndex == 0 ||
            (found && row.dwForwardMetric1 >= metric))
            continue;
        found = true;
        metric = row.dwForwardMetric1;
        index = row.dwForwardIfIndex;
    }
    return found;
}

} // namespace

namespace DefaultRoute {

bool ask(std::uint32_t& index) {
    // The library the interface table loaded; looked up at each question (every few seconds at
    // most), so that no entry outlives a stop that unloads it.
    HMODULE library = GetModuleHandleA("Iphlpapi.dll");
    GetIpForwardTableFn query =
        library ? reinterpret_cast<GetIpForwardTableFn>(
                      reinterpret_cast<void*>(GetProcAddress(library, "GetIpForwardTable")))
                : nullptr;
    if (query == nullptr)
        return false;
    MIB_IPFORWARDTABLE* table = reinterpret_cast<MIB_IPFORWARDTABLE*>(route.table);
    ULONG size = sizeof route.table;
    DWORD result = query(table, &size, FALSE);
    if (result == ERROR_INSUFFICIENT_BUFFER && size > sizeof route.table) {
        // Room for a few more routes, should the table grow before it is asked again.
        size += 16 * sizeof(MIB_IPFORWARDROW);
        table = static_cast<MIB_IPFORWARDTABLE*>(LocalAlloc(LMEM_FIXED, size));
        if (table == nullptr)
            return false;
        result = query(table, &size, FALSE);
    }
    const bool found = result == NO_ERROR && defaultRoute(*table, size, index);
    if (table != reinterpret_cast<MIB_IPFORWARDTABLE*>(route.table))
        LocalFree(table);
    return found;
}

} // namespace DefaultRoute
