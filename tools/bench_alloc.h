// The benchmark's count of heap allocations, by patching this executable's import table: malloc,
// calloc, realloc, _strdup (msvcrt, which operator new also ends in) and HeapAlloc, HeapReAlloc,
// LocalAlloc, LocalReAlloc, GlobalAlloc (kernel32). Everything linked in here (the widget's
// modules and the stand-in shell's functions) calls the platform through that table. What the
// shell's own functions allocate while the painter calls them (its call log) is counted apart,
// through the linker's --wrap of MakeStyleGradient.
#pragma once

struct AllocationTally {
    long widget;
    long shell;
};

void installAllocationCounting();
void startCountingAllocations();
// What was counted since the start; the count begins again at zero.
AllocationTally stopCountingAllocations();
