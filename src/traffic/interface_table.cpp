#include "traffic/interface_table.h"

#include <cstddef>
#include <cstring>

#include "platform.h"
#include <iprtrmib.h>

#include "types.h"

static_assert(sizeof(MIB_IFROW) == 860, "the platform's interface row");
static_assert(sizeof(MIB_IFROW::bDescr) == InterfaceTable::kDescriptionMax, "description bytes");

namespace {

typedef DWORD(WINAPI* GetIfTableFn)(MIB_IFTABLE* table, ULONG* size, BOOL order);

constexpr std::size_t kRowsOffset = offsetof(MIB_IFTABLE, table);
// A table that grows is asked again at most this often in one refresh; it may grow meanwhile.
constexpr int kGrowAttempts = 3;

struct InterfaceTableState {
    HMODULE library;
    GetIfTableFn query;
    MIB_IFTABLE* buffer;
    ULONG capacity; // bytes; the only size ever handed to the query
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

// Re-runs the query into the buffer. When the table grew past the capacity the query fills
// nothing and reports the size it needs: the buffer is enlarged to it so that new interfaces
// appear. Should that allocation fail, the last good contents stay.
void refresh() {
    if (state.query == nullptr)
        return;
    for (int attempt = 0; attempt < kGrowAttempts; ++attempt) {
        ULONG size = state.capacity;
        DWORD result = state.query(state.buffer, &size, TRUE);
        if (result != ERROR_INSUFFICIENT_BUFFER || size <= state.capacity)
            return; // any other result is not consulted: the rows are what the buffer holds
        MIB_IFTABLE* larger = allocate(size);
        if (larger == nullptr)
            return;
        std::memcpy(larger, state.buffer, state.capacity);
        LocalFree(state.buffer);
        state.buffer = larger;
        state.capacity = size;
    }
}

// Rows present in the buffer: the entry count, but never more rows than the capacity holds.
DWORD rows() {
    if (state.buffer == nullptr)
        return 0;
    DWORD fit = static_cast<DWORD>((state.capacity - kRowsOffset) / sizeof(MIB_IFROW));
    return state.buffer->dwNumEntries < fit ? state.buffer->dwNumEntries : fit;
}

const MIB_IFROW* row(int position) {
    refresh();
    if (position < 0 || static_cast<DWORD>(position) >= rows())
        return nullptr;
    return &state.buffer->table[position];
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
    ULONG size = 0;
    state.query(nullptr, &size, TRUE);
    size = usableSize(size);
    state.buffer = allocate(size);
    if (state.buffer == nullptr) {
        release();
        return false;
    }
    state.capacity = size;
    return true;
}

int count() {
    refresh();
    DWORD entries = rows();
    return entries > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(entries);
}

const char* description(int position) {
    const MIB_IFROW* entry = row(position);
    std::size_t length = 0;
    if (entry != nullptr) {
        length = entry->dwDescrLen < kDescriptionMax ? entry->dwDescrLen : kDescriptionMax;
        std::memcpy(state.description, entry->bDescr, length);
    }
    state.description[length] = '\0';
    return state.description;
}

std::int64_t counter(int position, int channel, bool* found) {
    const MIB_IFROW* entry = row(position);
    if (found)
        *found = entry != nullptr;
    if (entry == nullptr)
        return 0;
    if (channel == Channel::Receive)
        return std::int64_t{entry->dwInOctets};
    if (channel == Channel::Send)
        return std::int64_t{entry->dwOutOctets};
    return 0;
}

void release() {
    if (state.buffer != nullptr)
        LocalFree(state.buffer);
    if (state.library != nullptr)
        FreeLibrary(state.library);
    state = InterfaceTableState{};
}

} // namespace InterfaceTable
