#include "bench_alloc.h"

#include <cstdlib>

#include "platform.h"
#include "support/import_hook.h"

extern "C" void __real_MakeStyleGradient(HDC dc, const RECT* rect, const void* style,
                                         bool bordered);
extern "C" void __wrap_MakeStyleGradient(HDC dc, const RECT* rect, const void* style,
                                         bool bordered);

namespace {

struct AllocationCount {
    bool counting;
    bool inShell;
    long widget;
    long shell;
    decltype(&std::malloc) malloc_;
    decltype(&std::calloc) calloc_;
    decltype(&std::realloc) realloc_;
    char* (*strdup_)(const char*);
    decltype(&HeapAlloc) heapAlloc;
    decltype(&HeapReAlloc) heapReAlloc;
    decltype(&LocalAlloc) localAlloc;
    decltype(&LocalReAlloc) localReAlloc;
    decltype(&GlobalAlloc) globalAlloc;
};
AllocationCount allocations;

void counted() {
    if (!allocations.counting)
        return;
    if (allocations.inShell)
        ++allocations.shell;
    else
        ++allocations.widget;
}

void* __cdecl countingMalloc(size_t size) {
    counted();
    return allocations.malloc_(size);
}
void* __cdecl countingCalloc(size_t count, size_t size) {
    counted();
    return allocations.calloc_(count, size);
}
void* __cdecl countingRealloc(void* block, size_t size) {
    counted();
    return allocations.realloc_(block, size);
}
char* __cdecl countingStrdup(const char* text) {
    counted();
    return allocations.strdup_(text);
}
LPVOID WINAPI countingHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
    counted();
    return allocations.heapAlloc(heap, flags, size);
}
LPVOID WINAPI countingHeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T size) {
    counted();
    return allocations.heapReAlloc(heap, flags, block, size);
}
HLOCAL WINAPI countingLocalAlloc(UINT flags, SIZE_T size) {
    counted();
    return allocations.localAlloc(flags, size);
}
HLOCAL WINAPI countingLocalReAlloc(HLOCAL block, SIZE_T size, UINT flags) {
    counted();
    return allocations.localReAlloc(block, size, flags);
}
HGLOBAL WINAPI countingGlobalAlloc(UINT flags, SIZE_T size) {
    counted();
    return allocations.globalAlloc(flags, size);
}

} // namespace

void installAllocationCounting() {
    AllocationCount& a = allocations;
    hookImport(a.malloc_, "msvcrt.dll", "malloc", &countingMalloc);
    hookImport(a.calloc_, "msvcrt.dll", "calloc", &countingCalloc);
    hookImport(a.realloc_, "msvcrt.dll", "realloc", &countingRealloc);
    hookImport(a.strdup_, "msvcrt.dll", "_strdup", &countingStrdup);
    hookImport(a.heapAlloc, "kernel32.dll", "HeapAlloc", &countingHeapAlloc);
    hookImport(a.heapReAlloc, "kernel32.dll", "HeapReAlloc", &countingHeapReAlloc);
    hookImport(a.localAlloc, "kernel32.dll", "LocalAlloc", &countingLocalAlloc);
    hookImport(a.localReAlloc, "kernel32.dll", "LocalReAlloc", &countingLocalReAlloc);
    hookImport(a.globalAlloc, "kernel32.dll", "GlobalAlloc", &countingGlobalAlloc);
}

void startCountingAllocations() {
    allocations.counting = true;
}

AllocationTally stopCountingAllocations() {
    allocations.counting = false;
    const AllocationTally tally{allocations.widget, allocations.shell};
    allocations.widget = allocations.shell = 0;
    return tally;
}

// The painter's call of the shell's gradient: what the shell allocates in it is the shell's.
extern "C" void __wrap_MakeStyleGradient(HDC dc, const RECT* rect, const void* style,
                                         bool bordered) {
    allocations.inShell = true;
    __real_MakeStyleGradient(dc, rect, style, bordered);
    allocations.inShell = false;
}
