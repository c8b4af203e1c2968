// The usage ledger in memory: the interfaces it knows (id, description, counter checkpoint) and
// their traffic by day, older days folded into months. It owns its arrays (malloc'ed, grown
// geometrically, so that counting a tick allocates nothing but on a new day). Win32-free.
#pragma once

#include <cstddef>
#include <cstdint>

#include "traffic/counter_delta.h"

constexpr int kIdSize = 257;          // 256 bytes and the terminating zero
constexpr int kDescriptionSize = 257; // 256 bytes and the terminating zero
// Day entries older than this many days before today are folded into months.
constexpr std::int32_t kKeptDays = 400;

// The raw counters as last read, in the boot that started at `boot` (Unix seconds, as the wall
// clock told it when the run that read them started).
struct UsageCheckpoint {
    std::int64_t boot;
    bool wide;                // 64-bit counters, else 32-bit
    std::int64_t counters[2]; // received, sent
    // Seconds since boot at which the counters still held, for the start rules: the uptime only
    // grows within a boot, whatever the wall clock does. 0 when not known (an older file).
    std::int64_t uptime;
    // The interface number the counters were read from in this run; 0 when not known (a file
    // holds none).
    std::uint32_t index;
};

struct UsageInterface {
    char id[kIdSize]; // a GUID in registry form, else the description
    char description[kDescriptionSize];
    bool hasCheckpoint;
    UsageCheckpoint checkpoint;
    std::int32_t latest; // entry of its latest day, -1 with none: the tick's O(1) path
};

struct UsageEntry {
    std::int32_t day; // of a month entry, the first day of the month
    bool month;
    std::int32_t interface;
    std::int64_t bytes[2]; // received, sent; below 2^63, saturating
};

struct UsageLedger {
    UsageInterface* interfaces;
    std::int32_t interfaceCount, interfaceCapacity;
    UsageEntry* entries; // in no particular order
    std::int32_t entryCount, entryCapacity;
};

void freeLedger(UsageLedger& ledger); // back to the empty ledger, {} being one

// `to` becomes a copy of `from` in blocks of its own; false, with `to` empty, without the memory.
bool copyLedger(const UsageLedger& from, UsageLedger& to);

// Adds the positive byte counts to the entry.
inline void addTo(UsageEntry& entry, const std::int64_t bytes[2]) {
    for (int channel = 0; channel < 2; ++channel)
        if (bytes[channel] > 0)
            entry.bytes[channel] = saturatingAdd(entry.bytes[channel], bytes[channel]);
}

// The interface of `id` (the first `idLength` bytes), added when new; its description replaced
// when `description` is not null. Both are cut to 256 bytes, with tab, CR, LF and NUL made spaces;
// a GUID-shaped id is upper-cased, as the system writes it. -1 for an empty id or without memory.
std::int32_t findOrAddInterface(UsageLedger& ledger, const char* id, std::size_t idLength,
                                const char* description, std::size_t descriptionLength);

// Records the counters read now, at `uptime` seconds since boot (0: not known). False (and nothing
// changed) for a counter below 0, or a 32-bit one above 2^32 - 1, which the file could not hold.
bool setCheckpoint(UsageLedger& ledger, std::int32_t interface, std::int64_t boot, bool wide,
                   const std::int64_t counters[2], std::int64_t uptime = 0);

// Adds to the interface's entry of `day` (of a month entry: any day of the month), made when new.
// Negative byte counts add nothing. False without memory, or for a day outside the years
// kFirstYear..kLastYear, which the file could not hold.
bool addBytes(UsageLedger& ledger, std::int32_t interface, std::int32_t day, bool month,
              const std::int64_t bytes[2]);

// Appends a new entry for `day` (of a month entry: any day of the month) without looking for one
// that is there: a reader of many lines appends them all and merges once, since looking for each
// costs the whole ledger. False without memory or for a day addBytes refuses.
bool appendBytes(UsageLedger& ledger, std::int32_t interface, std::int32_t day, bool month,
                 const std::int64_t bytes[2]);

// The file's order: months first, then by day, then by interface. Entries of one day lie together,
// so that a tick touches few cache lines.
inline bool entryBefore(const UsageEntry& a, const UsageEntry& b) {
    if (a.month != b.month)
        return a.month;
    return a.day != b.day ? a.day < b.day : a.interface < b.interface;
}

// One entry for each interface, day and kind, their bytes added up, in any order before; then
// each interface's latest day found again. Sorts into entryBefore's order: n log n for n entries.
void mergeEntries(UsageLedger& ledger);

// addBytes for a day, inline for the tick, which nearly always adds to the interface's latest day.
inline bool addDayBytes(UsageLedger& ledger, std::int32_t interface, std::int32_t day,
                        const std::int64_t bytes[2]) {
    const std::int32_t latest = ledger.interfaces[interface].latest;
    if (latest < 0 || ledger.entries[latest].day != day)
        return addBytes(ledger, interface, day, false, bytes);
    addTo(ledger.entries[latest], bytes);
    return true;
}

// Sum of the interface's day entries from firstDay to lastDay and, with `months`, of its month
// entries whose first day lies there.
void totals(const UsageLedger& ledger, std::int32_t interface, std::int32_t firstDay,
            std::int32_t lastDay, std::int64_t out[2], bool months = true);

// Folds the day entries older than kKeptDays days before `today` into month entries.
void fold(UsageLedger& ledger, std::int32_t today);
// Whether fold(ledger, today) would fold any day.
bool foldsAny(const UsageLedger& ledger, std::int32_t today);
