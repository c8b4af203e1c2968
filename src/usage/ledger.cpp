#include "usage/ledger.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "traffic/counter_delta.h"
#include "usage/calendar.h"

namespace {

// The days the file can hold.
const std::int32_t kFirstDay = dayNumber(kFirstYear, 1, 1);
const std::int32_t kLastDay = dayNumber(kLastYear, 12, 31);

// Doubles the capacity when full (from 8); false when that cannot be had.
template <typename T> bool reserveOneMore(T*& array, std::int32_t count, std::int32_t& capacity) {
    if (count < capacity)
        return true;
    if (capacity > INT32_MAX / 2 - 8)
        return false;
    std::int32_t grown = capacity < 8 ? 8 : capacity * 2;
    void* memory = std::realloc(array, sizeof(T) * static_cast<std::size_t>(grown));
    if (memory == nullptr)
        return false;
    array = static_cast<T*>(memory);
    capacity = grown;
    return true;
}

// Tab, CR and LF would break the file's line; NUL would end the text early.
void copyText(char* out, const char* text, std::size_t length) {
    if (length > kIdSize - 1)
        length = kIdSize - 1;
    for (std::size_t i = 0; i < length; ++i) {
        char c = text[i];
        out[i] = c == '\t' || c == '\r' || c == '\n' || c == '\0' ? ' ' : c;
    }
    out[length] = '\0';
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}: a person may type it in lower case.
void upperCaseGuid(char* id) {
    static const char kShape[] = "{........-....-....-....-............}";
    for (std::size_t i = 0; i < sizeof kShape; ++i) {
        if (kShape[i] == '.' ? !isHex(id[i]) : id[i] != kShape[i])
            return;
    }
    for (char* c = id; *c != '\0'; ++c)
        if (*c >= 'a' && *c <= 'f')
            *c = static_cast<char>(*c - 'a' + 'A');
}

std::int32_t findEntry(const UsageLedger& ledger, std::int32_t interface, std::int32_t day,
                       bool month) {
    for (std::int32_t i = 0; i < ledger.entryCount; ++i) {
        const UsageEntry& entry = ledger.entries[i];
        if (entry.interface == interface && entry.day == day && entry.month == month)
            return i;
    }
    return -1;
}

bool foldsAway(const UsageEntry& entry, std::int32_t today) {
    return !entry.month && entry.day < std::int64_t{today} - kKeptDays;
}

void findLatestDays(UsageLedger& ledger) {
    for (std::int32_t i = 0; i < ledger.interfaceCount; ++i)
        ledger.interfaces[i].latest = -1;
    for (std::int32_t i = 0; i < ledger.entryCount; ++i) {
        const UsageEntry& entry = ledger.entries[i];
        if (entry.month)
            continue;
        std::int32_t& latest = ledger.interfaces[entry.interface].latest;
        if (latest < 0 || ledger.entries[latest].day < entry.day)
            latest = i;
    }
}

} // namespace

void freeLedger(UsageLedger& ledger) {
    std::free(ledger.interfaces);
    std::free(ledger.entries);
    ledger = UsageLedger{};
}

bool copyLedger(const UsageLedger& from, UsageLedger& to) {
    to = UsageLedger{};
    const std::size_t interfaces =
        sizeof(UsageInterface) * static_cast<std::size_t>(from.interfaceCount);
    const std::size_t entries = sizeof(UsageEntry) * static_cast<std::size_t>(from.entryCount);
    to.interfaces = static_cast<UsageInterface*>(std::malloc(interfaces + 1));
    to.entries = static_cast<UsageEntry*>(std::malloc(entries + 1));
    if (to.interfaces == nullptr || to.entries == nullptr) {
        freeLedger(to);
        return false;
    }
    if (interfaces > 0)
        std::memcpy(to.interfaces, from.interfaces, interfaces);
    if (entries > 0)
        std::memcpy(to.entries, from.entries, entries);
    to.interfaceCount = to.interfaceCapacity = from.interfaceCount;
    to.entryCount = to.entryCapacity = from.entryCount;
    return true;
}

std::int32_t findOrAddInterface(UsageLedger& ledger, const char* id, std::size_t idLength,
                                const char* description, std::size_t descriptionLength) {
    if (idLength == 0)
        return -1;
    char wanted[kIdSize];
    copyText(wanted, id, idLength);
    upperCaseGuid(wanted);
    std::int32_t found = 0;
    while (found < ledger.interfaceCount && std::strcmp(ledger.interfaces[found].id, wanted) != 0)
        ++found;
    if (found == ledger.interfaceCount) {
        if (!reserveOneMore(ledger.interfaces, ledger.interfaceCount, ledger.interfaceCapacity))
            return -1;
        UsageInterface& added = ledger.interfaces[ledger.interfaceCount++];
        added = UsageInterface{};
        std::memcpy(added.id, wanted, sizeof wanted);
        added.latest = -1;
    }
    if (description != nullptr)
        copyText(ledger.interfaces[found].description, description, descriptionLength);
    return found;
}

bool setCheckpoint(UsageLedger& ledger, std::int32_t interface, std::int64_t boot, bool wide,
                   const std::int64_t counters[2], std::int64_t uptime) {
    for (int channel = 0; channel < 2; ++channel)
        if (counters[channel] < 0 || (!wide && counters[channel] >= kCounterRange))
            return false;
    UsageInterface& changed = ledger.interfaces[interface];
    changed.hasCheckpoint = true;
    changed.checkpoint = UsageCheckpoint{boot, wide, {counters[0], counters[1]}, uptime, 0};
    return true;
}

bool appendBytes(UsageLedger& ledger, std::int32_t interface, std::int32_t day, bool month,
                 const std::int64_t bytes[2]) {
    if (day < kFirstDay || day > kLastDay ||
        !reserveOneMore(ledger.entries, ledger.entryCount, ledger.entryCapacity))
        return false;
    if (month) {
        CivilDate date = civilDate(day);
        day = dayNumber(date.year, date.month, 1);
    }
    UsageEntry& added = ledger.entries[ledger.entryCount];
    added = UsageEntry{day, month, interface, {0, 0}};
    addTo(added, bytes);
    std::int32_t& latest = ledger.interfaces[interface].latest;
    if (!month && (latest < 0 || ledger.entries[latest].day < day))
        latest = ledger.entryCount;
    ++ledger.entryCount;
    return true;
}

bool addBytes(UsageLedger& ledger, std::int32_t interface, std::int32_t day, bool month,
              const std::int64_t bytes[2]) {
    if (day < kFirstDay || day > kLastDay)
        return false;
    const std::int32_t latest = ledger.interfaces[interface].latest;
    std::int32_t found = -1;
    if (month) {
        CivilDate date = civilDate(day);
        found = findEntry(ledger, interface, dayNumber(date.year, date.month, 1), true);
    } else if (latest >= 0 && ledger.entries[latest].day == day) {
        found = latest;
    } else if (latest >= 0 && ledger.entries[latest].day > day) {
        found = findEntry(ledger, interface, day, false); // the clock went back
    }
    if (found < 0)
        return appendBytes(ledger, interface, day, month, bytes);
    addTo(ledger.entries[found], bytes);
    return true;
}

void mergeEntries(UsageLedger& ledger) {
    UsageEntry* entries = ledger.entries;
    std::sort(entries, entries + ledger.entryCount, entryBefore);
    std::int32_t kept = 0;
    for (std::int32_t i = 0; i < ledger.entryCount; ++i) {
        UsageEntry* last = kept > 0 ? &entries[kept - 1] : nullptr;
        if (last && last->interface == entries[i].interface && last->month == entries[i].month &&
            last->day == entries[i].day)
            addTo(*last, entries[i].bytes);
        else
            entries[kept++] = entries[i];
    }
    ledger.entryCount = kept;
    findLatestDays(ledger);
}

void totals(const UsageLedger& ledger, std::int32_t interface, std::int32_t firstDay,
            std::int32_t lastDay, std::int64_t out[2], bool months) {
    out[0] = out[1] = 0;
    for (std::int32_t i = 0; i < ledger.entryCount; ++i) {
        const UsageEntry& entry = ledger.entries[i];
        if (entry.interface == interface && entry.day >= firstDay && entry.day <= lastDay &&
            (months || !entry.month))
            for (int channel = 0; channel < 2; ++channel)
                out[channel] = saturatingAdd(out[channel], entry.bytes[channel]);
    }
}

void fold(UsageLedger& ledger, std::int32_t today) {
    bool folded = false;
    for (std::int32_t i = 0; i < ledger.entryCount; ++i) {
        UsageEntry& entry = ledger.entries[i];
        if (!foldsAway(entry, today))
            continue;
        CivilDate date = civilDate(entry.day);
        entry.day = dayNumber(date.year, date.month, 1);
        entry.month = true;
        folded = true;
    }
    if (folded)
        mergeEntries(ledger);
}

bool foldsAny(const UsageLedger& ledger, std::int32_t today) {
    for (std::int32_t i = 0; i < ledger.entryCount; ++i)
        if (foldsAway(ledger.entries[i], today))
            return true;
    return false;
}
