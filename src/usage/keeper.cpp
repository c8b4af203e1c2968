#include "usage/keeper.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "platform.h"
#include "traffic/counter_delta.h"
#include "traffic/interface_choice.h"
#include "traffic/interface_table.h"
#include "usage/calendar.h"
#include "usage/checkpoint.h"
#include "usage/ledger.h"
#include "usage/ledger_file.h"
#include "usage/whole_file.h"

namespace {

// New traffic is on disk within this long: a power cut loses at most that much.
constexpr ULONGLONG kSaveDelayMs = 60 * 1000;
constexpr std::size_t kStatusSize = 400;

// Which ledger interface a row of the table counts into, kept while the row holds the same
// interface so that a tick finds it without comparing texts.
struct RowSlot {
    bool known;
    DWORD index;
    bool hasGuid;
    unsigned char guid[16];
    std::int32_t interface;
};

// periodBytes' days before today, with what they were summed for.
struct PeriodSums {
    bool summed;
    std::int32_t interface, today, first;
    int period, billingDay;
    const UsageEntry* entries;
    std::int32_t entryCount;
    std::int64_t before[2];
};

using EntryBytes = std::int64_t[2];

struct KeeperState {
    bool keeping;
    int period;
    int billingDay;
    char path[kPathSize];
    HANDLE lock; // held while this widget keeps the ledger; the system lets go when it dies
    UsageLedger ledger;
    // This run's boot: Unix seconds, the wall clock minus the uptime at start, and that uptime.
    // Never read again while the run lasts, so that a step of the clock changes nothing.
    std::int64_t boot;
    std::int64_t startUptime;
    std::int32_t today;
    // The day older days are folded against: today, except after a step forward, which folds
    // nothing until the date moves on by a day (a clock set ahead for a moment folds nothing).
    std::int32_t foldDay;
    // The file could not be read at start: this run counts into `ledger` alone, the counters at
    // each interface's first reading in `firstSeen`, until a save finds the file readable.
    bool unread;
    UsageLedger firstSeen;
    std::int32_t startDay;
    ULONGLONG dateCheck; // uptime at which the local date is read again
    unsigned seen;       // the table reading counted last
    RowSlot slots[InterfaceTable::kRowsMax];
    int rows; // of the last reading that succeeded: the figures name interfaces by them
    bool unsaved;
    ULONGLONG firstUnsaved; // uptime of the first traffic not yet on disk
    ULONGLONG saveAfter;    // after a failed save the tick waits until this uptime
    char saveError[kStatusSize];
    char loadNote[kStatusSize]; // a damaged ledger or another keeper, until the next reload
    // The file as this run last wrote or read it (`stamped`), and each entry's bytes then (entries
    // keep their places until the next save writes): a file changed since, by hand or by another
    // program, is read again at the next save, with what was counted since added to it.
    bool stamped;
    WIN32_FILE_ATTRIBUTE_DATA written;
    EntryBytes* savedBytes;
    std::int32_t savedCount;
    // One for each interface the labels sum (all of them shown together), kept round robin.
    PeriodSums sums[8];
    unsigned nextSums, lastSums;
};
KeeperState keeper;

std::int64_t unixNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks{{now.dwLowDateTime, now.dwHighDateTime}};
    return static_cast<std::int64_t>(ticks.QuadPart / 10000000ULL) - 11644473600LL;
}

std::int64_t uptimeSeconds() {
    return static_cast<std::int64_t>(GetTickCount64() / 1000);
}

std::int32_t localToday() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return dayNumber(now.wYear, now.wMonth, now.wDay);
}

// The local date of a tick at uptime `now`. Read from the clock at the next local midnight, and at
// least once a second so that a clock set by hand moves the date within that second; a tick
// between two readings costs no clock call.
std::int32_t tickDay(ULONGLONG now) {
    if (now < keeper.dateCheck)
        return keeper.today;
    SYSTEMTIME clock;
    GetLocalTime(&clock);
    const ULONGLONG untilMidnight =
        86400000ULL - ((clock.wHour * 60ULL + clock.wMinute) * 60ULL + clock.wSecond) * 1000ULL -
        clock.wMilliseconds;
    keeper.dateCheck = now + (untilMidnight < 1000 ? untilMidnight : 1000);
    return dayNumber(clock.wYear, clock.wMonth, clock.wDay);
}

void describeError(char* out, const char* what, const char* path, DWORD error) {
    char reason[200] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   reason, sizeof reason, nullptr);
    for (char* c = reason; *c; ++c)
        if (*c == '\r' || *c == '\n')
            *c = ' ';
    std::snprintf(out, kStatusSize, "%s %s: %s(error %lu)", what, path, reason,
                  static_cast<unsigned long>(error));
}

bool sameGuid(const unsigned char* a, const unsigned char* b) {
    std::uint64_t x[2], y[2];
    std::memcpy(x, a, sizeof x);
    std::memcpy(y, b, sizeof y);
    return x[0] == y[0] && x[1] == y[1];
}

// A row without a GUID that was read with one before, or that other rows of the reading have
// theirs beside: the 64-bit query left it out (the row came or went between the two queries). It
// keeps its GUID entry and counts nothing this tick, at a start too, where no row was read before.
bool lostGuid(const RowCounters* read, int rows, DWORD index) {
    for (const RowSlot& slot : keeper.slots)
        if (slot.known && slot.hasGuid && slot.index == index)
            return true;
    for (int row = 0; row < rows; ++row)
        if (read[row].hasGuid)
            return true;
    return false;
}

// The ledger interface of table row `row` when it is not the one its slot holds: by its GUID
// where the system gives one, else by its description, with " #2", " #3", ... for the later rows
// of one description, so that two rows never share a checkpoint. -1 without memory, and for a
// row that lost its GUID.
std::int32_t findInterfaceOf(const RowCounters* read, int rows, int row) {
    const RowCounters& counted = read[row];
    char description[InterfaceTable::kDescriptionMax + 1];
    std::snprintf(description, sizeof description, "%s", InterfaceTable::rowDescription(row));
    char id[kIdSize];
    if (counted.hasGuid) {
        formatGuid(counted.guid, id, sizeof id);
    } else {
        if (lostGuid(read, rows, counted.reading.index))
            return -1;
        int same = 0;
        for (int earlier = 0; earlier < row; ++earlier)
            same += !read[earlier].hasGuid &&
                    std::strcmp(InterfaceTable::rowDescription(earlier), description) == 0;
        if (same == 0)
            std::snprintf(id, sizeof id, "%s", description);
        else
            std::snprintf(id, sizeof id, "%.*s #%d", kIdSize - 13, description, same + 1);
    }
    std::int32_t interface = findOrAddInterface(keeper.ledger, id, std::strlen(id), description,
                                                std::strlen(description));
    RowSlot& slot = keeper.slots[row];
    slot = RowSlot{interface >= 0, counted.reading.index, counted.hasGuid, {}, interface};
    std::memcpy(slot.guid, counted.guid, sizeof slot.guid);
    return interface;
}

// The ledger interface of table row `row`; the slot answers while the row holds the same interface.
inline std::int32_t interfaceOf(const RowCounters* read, int rows, int row) {
    const RowCounters& counted = read[row];
    const RowSlot& slot = keeper.slots[row];
    if (slot.known && slot.index == counted.reading.index && slot.hasGuid == counted.hasGuid &&
        sameGuid(slot.guid, counted.guid))
        return slot.interface;
    return findInterfaceOf(read, rows, row);
}

bool readLate();

// A checkpoint's interface number once another checkpoint took its counters over.
constexpr std::uint32_t kCountersElsewhere = 0xFFFFFFFFu;

// A row without a GUID is known by its description and its rank among rows of that description,
// which another interface takes when one leaves or the numbers change: the counters of interface
// number `index` are `interface`'s checkpoint from now on, and no other's.
void holdIndex(std::int32_t interface, std::uint32_t index) {
    for (std::int32_t i = 0; i < keeper.ledger.interfaceCount; ++i)
        if (keeper.ledger.interfaces[i].checkpoint.index == index)
            keeper.ledger.interfaces[i].checkpoint.index = kCountersElsewhere;
    keeper.ledger.interfaces[interface].checkpoint.index = index;
}

// Whether the checkpoint holds this row's own counters: always with a GUID; without one, when it
// was taken from the same interface number, or from an unknown one, which the row then holds.
bool sameCounters(std::int32_t interface, const RowCounters& counted) {
    if (counted.hasGuid)
        return true;
    const std::uint32_t index = keeper.ledger.interfaces[interface].checkpoint.index;
    if (index == 0)
        holdIndex(interface, counted.reading.index);
    return index == 0 || index == counted.reading.index;
}

// Each entry's bytes, in a block of their own; null without the memory.
EntryBytes* entryBytes(const UsageLedger& ledger) {
    auto* bytes = static_cast<EntryBytes*>(
        std::malloc(sizeof(EntryBytes) * static_cast<std::size_t>(ledger.entryCount) + 1));
    for (std::int32_t i = 0; bytes != nullptr && i < ledger.entryCount; ++i)
        for (int channel = 0; channel < 2; ++channel)
            bytes[i][channel] = ledger.entries[i].bytes[channel];
    return bytes;
}

// The file as it holds `count` entries of `bytes` (entryBytes, kept from here on), with the stamp
// `seen` (null: the file's now). Without the bytes, no stamp: the next save writes as if nothing
// changed.
void noteFile(EntryBytes* bytes, std::int32_t count, const WIN32_FILE_ATTRIBUTE_DATA* seen) {
    std::free(keeper.savedBytes);
    keeper.savedBytes = bytes;
    keeper.savedCount = bytes != nullptr ? count : 0;
    if (seen != nullptr)
        keeper.written = *seen;
    keeper.stamped = bytes != nullptr &&
                     (seen != nullptr ||
                      GetFileAttributesExA(keeper.path, GetFileExInfoStandard, &keeper.written));
}

// The stamp of no file: none there, or one set aside. A file found there later is another
// program's, read at the next save, with all this run counted since the note added to it.
const WIN32_FILE_ATTRIBUTE_DATA kNoFile{};

bool noMemoryToSave() {
    std::snprintf(keeper.saveError, kStatusSize, "usage could not be saved: out of memory");
    return false;
}

// A file gone is written again as before; one whose time or size changed was edited.
bool editedSinceWritten() {
    WIN32_FILE_ATTRIBUTE_DATA now;
    return keeper.stamped && GetFileAttributesExA(keeper.path, GetFileExInfoStandard, &now) &&
           (CompareFileTime(&now.ftLastWriteTime, &keeper.written.ftLastWriteTime) != 0 ||
            now.nFileSizeLow != keeper.written.nFileSizeLow ||
            now.nFileSizeHigh != keeper.written.nFileSizeHigh);
}

bool readEdited();

void forgetSums() {
    for (PeriodSums& sums : keeper.sums)
        sums.summed = false;
}

// The ledger folded, this run's checkpoints stamped and the file replaced; true when it is on disk.
bool writeLedgerFile() {
    // This run's checkpoints still hold now: the next start in this boot has a longer uptime.
    const std::int64_t uptime = uptimeSeconds();
    for (std::int32_t i = 0; i < keeper.ledger.interfaceCount; ++i) {
        UsageInterface& interface = keeper.ledger.interfaces[i];
        if (interface.hasCheckpoint && interface.checkpoint.boot == keeper.boot &&
            interface.checkpoint.uptime <= uptime)
            interface.checkpoint.uptime = uptime;
    }
    // Days are folded in a copy, kept once it is on disk: until then the entries keep the places
    // the last save noted, against which an edit read again is told what was counted since.
    UsageLedger folded{};
    const bool folding = foldsAny(keeper.ledger, keeper.foldDay);
    if (folding && !copyLedger(keeper.ledger, folded))
        return noMemoryToSave();
    if (folding)
        fold(folded, keeper.foldDay);
    std::size_t length = 0;
    char* text = writeLedger(folding ? folded : keeper.ledger, length);
    if (text == nullptr) {
        freeLedger(folded);
        return noMemoryToSave();
    }
    const FilePart whole{text, length};
    DWORD error = 0;
    const bool saved = replaceFile(keeper.path, &whole, 1, error);
    std::free(text);
    if (!saved) {
        freeLedger(folded);
        describeError(keeper.saveError, "usage could not be saved to", keeper.path, error);
        return false;
    }
    if (folding) {
        freeLedger(keeper.ledger);
        keeper.ledger = folded;
        forgetSums();
    }
    keeper.saveError[0] = '\0';
    noteFile(entryBytes(keeper.ledger), keeper.ledger.entryCount, nullptr);
    return true;
}

// A file not read yet, or changed since it was written, is read first, never overwritten. After a
// failure the tick waits a while before it tries again, even when no traffic follows: what the
// failed save held (a start's count, a date's fold) is still to be written.
bool saveLedger() {
    const bool saved =
        (keeper.unread ? readLate() : !editedSinceWritten() || readEdited()) && writeLedgerFile();
    const ULONGLONG now = GetTickCount64();
    keeper.saveAfter = saved ? 0 : now + kSaveDelayMs;
    if (!saved && !keeper.unsaved)
        keeper.firstUnsaved = now;
    keeper.unsaved = !saved;
    return saved;
}

// Another widget that keeps this ledger holds its lock file open without sharing.
bool takeLock() {
    char lockPath[kPathSize + 8];
    std::snprintf(lockPath, sizeof lockPath, "%s.lock", keeper.path);
    keeper.lock = CreateFileA(lockPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (keeper.lock != INVALID_HANDLE_VALUE)
        return true;
    keeper.lock = nullptr;
    if (GetLastError() == ERROR_SHARING_VIOLATION) {
        std::snprintf(keeper.loadNote, kStatusSize, "usage: another widget keeps the ledger %s",
                      keeper.path);
        return false;
    }
    // A folder that cannot hold the lock cannot hold the ledger either: the saves say why.
    return true;
}

void releaseLock() {
    if (keeper.lock)
        CloseHandle(keeper.lock);
    keeper.lock = nullptr;
}

// Sets a damaged ledger aside under the first free name: it is never overwritten or deleted.
bool setAside(const char* reason) {
    char aside[kPathSize + 24];
    for (int number = 0; number < 1000; ++number) {
        if (number == 0)
            std::snprintf(aside, sizeof aside, "%s.damaged", keeper.path);
        else
            std::snprintf(aside, sizeof aside, "%s.damaged.%d", keeper.path, number);
        if (MoveFileA(keeper.path, aside)) {
            std::snprintf(keeper.loadNote, kStatusSize,
                          "usage ledger damaged (%s), set aside as %s; a new one is kept", reason,
                          aside);
            return true;
        }
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
            describeError(keeper.loadNote, "usage ledger damaged and not set aside:", keeper.path,
                          error);
            return false;
        }
    }
    std::snprintf(keeper.loadNote, kStatusSize, "usage ledger damaged (%s) and not set aside",
                  reason);
    return false;
}

// The file into the ledger; a missing one (`gone`) is a new ledger. False when the file is there
// but could not be read (another program holds it, a read failed, no memory to hold it) or,
// damaged, not set aside: it must not be overwritten, so it is read again at the next save.
bool loadLedger(bool* gone = nullptr) {
    // No ledger the widget writes comes near a gigabyte: a larger file is damaged.
    std::size_t size = 0;
    DWORD error = 0;
    char* text = readWholeFile(keeper.path, 0x3FFFFFFF, size, error);
    const bool missing = text == nullptr && error == ERROR_FILE_NOT_FOUND;
    if (gone != nullptr)
        *gone = missing;
    if (missing)
        return true;
    LedgerReadResult result{};
    if (text != nullptr) {
        result = readLedger(text, size, keeper.ledger);
        std::free(text);
        if (result.ok)
            return true;
        freeLedger(keeper.ledger);
        // A good file without the memory to hold it now is not damaged, only not read yet.
        error = result.noMemory ? ERROR_NOT_ENOUGH_MEMORY : 0;
    } else if (error == ERROR_FILE_TOO_LARGE) {
        std::snprintf(result.reason, sizeof result.reason, "it cannot be read whole");
        error = 0;
    }
    if (error != 0) {
        describeError(keeper.loadNote,
                      "usage ledger not read yet, counting in memory:", keeper.path, error);
        return false;
    }
    return setAside(result.reason);
}

// The counters of an interface's first reading in a run that could not read the file yet.
void rememberFirstReading(const char* id, const CounterReading& reading) {
    std::int32_t first = findOrAddInterface(keeper.firstSeen, id, std::strlen(id), nullptr, 0);
    if (first >= 0 && !keeper.firstSeen.interfaces[first].hasCheckpoint)
        setCheckpoint(keeper.firstSeen, first, keeper.boot, reading.wide, reading.octets);
}

// A clock already ahead when the file is read folds nothing either: older days are folded against
// at most the day after the ledger's newest, until the date moves on by a day.
void holdFoldDay() {
    std::int32_t newest = INT32_MIN;
    for (std::int32_t i = 0; i < keeper.ledger.entryCount; ++i)
        if (!keeper.ledger.entries[i].month && keeper.ledger.entries[i].day > newest)
            newest = keeper.ledger.entries[i].day;
    if (newest != INT32_MIN && newest + 1 < keeper.foldDay)
        keeper.foldDay = newest + 1;
}

// `counted` added to the file just read into the ledger: each interface's traffic from its file
// checkpoint to its first reading in this run (while the file was not read yet), by the rules of a
// start, then its days and its checkpoint. The rows keep their interfaces, under the file's
// numbers. The file's entries keep their places. False without the memory, the rows untouched.
bool addCounted(const UsageLedger& counted) {
    holdFoldDay();
    UsageLedger& file = keeper.ledger;
    for (std::int32_t i = 0; i < counted.interfaceCount; ++i) {
        const UsageInterface& mine = counted.interfaces[i];
        const std::int32_t into = findOrAddInterface(
            file, mine.id, std::strlen(mine.id), mine.description, std::strlen(mine.description));
        if (into < 0)
            return false;
        const std::int32_t first =
            keeper.unread
                ? findOrAddInterface(keeper.firstSeen, mine.id, std::strlen(mine.id), nullptr, 0)
                : -1;
        if (first >= 0 && keeper.firstSeen.interfaces[first].hasCheckpoint) {
            const UsageCheckpoint& seen = keeper.firstSeen.interfaces[first].checkpoint;
            std::int64_t bytes[2];
            trafficSinceCheckpoint(file.interfaces[into], seen.counters, seen.wide, keeper.boot,
                                   keeper.startUptime, bytes);
            if ((bytes[0] > 0 || bytes[1] > 0) &&
                !addBytes(file, into, keeper.startDay, false, bytes))
                return false;
        }
        if (mine.hasCheckpoint) {
            file.interfaces[into].hasCheckpoint = true;
            file.interfaces[into].checkpoint = mine.checkpoint;
        }
        for (std::int32_t e = 0; e < counted.entryCount; ++e) {
            const UsageEntry& entry = counted.entries[e];
            if (entry.interface == i && (entry.bytes[0] > 0 || entry.bytes[1] > 0) &&
                !addBytes(file, into, entry.day, entry.month, entry.bytes))
                return false;
        }
    }
    for (RowSlot& slot : keeper.slots) {
        if (!slot.known)
            continue;
        const char* id = counted.interfaces[slot.interface].id;
        slot.interface = findOrAddInterface(file, id, std::strlen(id), nullptr, 0);
        slot.known = slot.interface >= 0;
    }
    return true;
}

// The file read into the ledger, which is kept as it was when the file cannot be read yet. `seen`
// is the file's stamp from before it was read, kNoFile when none was there to read or it was set
// aside as damaged.
bool readAgain(UsageLedger& kept, WIN32_FILE_ATTRIBUTE_DATA& seen, bool* gone = nullptr) {
    kept = keeper.ledger;
    keeper.ledger = UsageLedger{};
    keeper.loadNote[0] = '\0';
    if (!GetFileAttributesExA(keeper.path, GetFileExInfoStandard, &seen))
        seen = kNoFile;
    bool missing = false;
    if (loadLedger(&missing)) {
        // Its entries may sit where an earlier ledger's did, with as many: no sum holds for them.
        forgetSums();
        if (missing || keeper.loadNote[0] != '\0')
            seen = kNoFile;
        if (gone != nullptr)
            *gone = missing;
        return true;
    }
    keeper.ledger = kept;
    kept = UsageLedger{};
    return false;
}

// `counted` added to the file just read (addCounted). The file as read, its stamp `seen` and its
// entries' bytes, is then what the next save compares with, as after a write: should this save's
// write fail, an edit made meanwhile is read too. Without the memory nothing is added and the
// ledger is `before` again, to be tried at the next save.
bool addToRead(const UsageLedger& counted, UsageLedger& before,
               const WIN32_FILE_ATTRIBUTE_DATA& seen) {
    const std::int32_t count = keeper.ledger.entryCount;
    EntryBytes* bytes = entryBytes(keeper.ledger);
    if (bytes == nullptr || !addCounted(counted)) {
        std::free(bytes);
        freeLedger(keeper.ledger);
        keeper.ledger = before;
        before = UsageLedger{};
        return noMemoryToSave();
    }
    noteFile(bytes, count, &seen);
    return true;
}

// The file read at last, with what this run counted meanwhile added to it. False while the file
// still cannot be read.
bool readLate() {
    UsageLedger counted;
    WIN32_FILE_ATTRIBUTE_DATA seen;
    if (!readAgain(counted, seen))
        return false;
    if (!addToRead(counted, counted, seen))
        return false;
    freeLedger(counted);
    freeLedger(keeper.firstSeen);
    keeper.unread = false;
    return true;
}

// The file changed since this run wrote it, with what was counted since added to it. False while
// it cannot be read, or without the memory to tell what was counted since.
bool readEdited() {
    UsageLedger since{};
    if (!copyLedger(keeper.ledger, since))
        return noMemoryToSave();
    for (std::int32_t i = 0; i < keeper.savedCount && i < since.entryCount; ++i)
        for (int channel = 0; channel < 2; ++channel) {
            std::int64_t& bytes = since.entries[i].bytes[channel];
            bytes =
                bytes > keeper.savedBytes[i][channel] ? bytes - keeper.savedBytes[i][channel] : 0;
        }
    UsageLedger mine;
    WIN32_FILE_ATTRIBUTE_DATA seen;
    bool gone = false;
    bool read = readAgain(mine, seen, &gone);
    if (read && (gone || keeper.loadNote[0] != '\0')) {
        // Gone as it was read, or damaged by the edit and set aside with it: the ledger as this
        // run had it stays, its entries where the last save noted them, so that a file put there
        // before a save writes gets what was counted since.
        freeLedger(keeper.ledger);
        keeper.ledger = mine;
        mine = UsageLedger{};
    } else if (read) {
        read = addToRead(since, mine, seen);
    }
    freeLedger(since);
    freeLedger(mine);
    return read;
}

// Adds a row's bytes to `today`, noting in `moved` that some did; false when they could not be
// stored (no memory for a new day's entry).
bool storeBytes(std::int32_t interface, std::int32_t today, const std::int64_t bytes[2],
                bool& moved) {
    if (bytes[0] <= 0 && bytes[1] <= 0)
        return true;
    if (!addDayBytes(keeper.ledger, interface, today, bytes))
        return false;
    moved = true;
    return true;
}

// Counts each row's traffic since its checkpoint into `today`; true when any moved. Checkpoints of
// another run (all of them at start) count by the rules of a start; this run's, tick to tick. A
// checkpoint moves on only once its bytes are stored: what a tick could not store, the next counts.
// `newCheckpoint` is set when a checkpoint was made or set back, which the file must hold at once.
bool countRows(const RowCounters* read, int rows, std::int32_t today, bool start,
               bool& newCheckpoint) {
    bool moved = false;
    for (int row = 0; row < rows; ++row) {
        const RowCounters& counted = read[row];
        const CounterReading& reading = counted.reading;
        std::int32_t interface = interfaceOf(read, rows, row);
        if (interface < 0)
            continue;
        UsageInterface& known = keeper.ledger.interfaces[interface];
        UsageCheckpoint& last = known.checkpoint;
        std::int64_t bytes[2] = {0, 0};
        if (!start && known.hasCheckpoint && last.boot == keeper.boot &&
            last.wide == reading.wide && sameCounters(interface, counted)) {
            // Counted at the last tick: an idle interface stops here.
            if (last.counters[0] == reading.octets[0] && last.counters[1] == reading.octets[1])
                continue;
            // Moved on as the delta is taken (the tick's quickest order) and put back when the
            // bytes could not be stored.
            const std::int64_t before[2] = {last.counters[0], last.counters[1]};
            for (int channel = 0; channel < 2; ++channel) {
                bytes[channel] =
                    counterDelta(before[channel], reading.octets[channel], reading.wide);
                last.counters[channel] = reading.octets[channel];
            }
            if (!storeBytes(interface, today, bytes, moved)) {
                last.counters[0] = before[0];
                last.counters[1] = before[1];
            } else if (reading.octets[0] < before[0] || reading.octets[1] < before[1]) {
                // Counters that started again (or a 32-bit one that wrapped) set the checkpoint
                // back: a start after a shell that died before the next save would count from
                // the old one, above them.
                newCheckpoint = true;
            }
            continue;
        }
        // A new interface counts from now, and counters that changed width or interface in this
        // run count from now too, as in the sampler.
        if (start || last.boot != keeper.boot)
            trafficSinceCheckpoint(known, reading.octets, reading.wide, keeper.boot,
                                   keeper.startUptime, bytes);
        if (!storeBytes(interface, today, bytes, moved))
            continue;
        if (keeper.unread)
            rememberFirstReading(known.id, reading);
        const bool set = setCheckpoint(keeper.ledger, interface, keeper.boot, reading.wide,
                                       reading.octets, keeper.startUptime);
        if (set && !counted.hasGuid)
            holdIndex(interface, reading.index);
        newCheckpoint = set || newCheckpoint;
    }
    return moved;
}

void start(int position) {
    keeper.startUptime = uptimeSeconds();
    keeper.boot = unixNow() - keeper.startUptime;
    keeper.today = keeper.foldDay = keeper.startDay = localToday();
    if (!takeLock())
        return;
    WIN32_FILE_ATTRIBUTE_DATA seen;
    const bool found = GetFileAttributesExA(keeper.path, GetFileExInfoStandard, &seen) != FALSE;
    bool gone = false;
    keeper.unread = !loadLedger(&gone);
    // The file as read: should the first save fail, an edit made before the next is read too, and
    // so is a file put where there was none or where a damaged one was set aside.
    if (!keeper.unread)
        noteFile(entryBytes(keeper.ledger), keeper.ledger.entryCount,
                 found && !gone && keeper.loadNote[0] == '\0' ? &seen : &kNoFile);
    holdFoldDay();
    keeper.keeping = true;
    // What each interface moved while no widget counted it.
    InterfaceTable::readAllRows(true);
    InterfaceTable::counters(position);
    keeper.seen = InterfaceTable::readingsTaken();
    const RowCounters* read = InterfaceTable::rowsRead(keeper.rows);
    bool newCheckpoint = false; // every one is: saved below where the file could be read
    countRows(read, keeper.rows, keeper.today, true, newCheckpoint);
    if (!keeper.unread) {
        saveLedger();
        return;
    }
    // Read again at the first save time, whether or not anything moved.
    keeper.unsaved = true;
    keeper.firstUnsaved = GetTickCount64();
}

bool known(int position) {
    return keeper.keeping && position >= 0 && position < keeper.rows &&
           keeper.slots[position].known;
}

void release() {
    InterfaceTable::readAllRows(false);
    releaseLock();
    freeLedger(keeper.ledger);
    freeLedger(keeper.firstSeen);
    std::free(keeper.savedBytes);
    keeper = KeeperState{};
}

} // namespace

namespace UsageKeeper {

void configure(int period, int billingDay, const char* path, int position) {
    if (!keeper.unread)
        keeper.loadNote[0] = '\0';
    if (period == UsagePeriod::Boot) {
        if (keeper.keeping)
            saveLedger();
        release();
        return;
    }
    keeper.period = period;
    keeper.billingDay = normalBillingDay(billingDay);
    if (keeper.keeping)
        return;
    std::snprintf(keeper.path, sizeof keeper.path, "%s", path ? path : "");
    if (keeper.path[0] != '\0')
        start(position);
}

void count() {
    if (!keeper.keeping || InterfaceTable::readingsTaken() == keeper.seen)
        return;
    keeper.seen = InterfaceTable::readingsTaken();
    // A failed reading counts nothing; the checkpoints stay, so the next one counts the time
    // between. What earlier ones counted is still saved when due.
    int rows = 0;
    const RowCounters* read = InterfaceTable::rowsRead(rows);
    const ULONGLONG now = GetTickCount64();
    bool newDay = false;
    bool newCheckpoint = false;
    if (rows > 0) {
        keeper.rows = rows;
        const std::int32_t today = tickDay(now);
        newDay = today != keeper.today;
        if (newDay && (today == keeper.today + 1 || today < keeper.foldDay))
            keeper.foldDay = today;
        keeper.today = today;
        const bool moved = countRows(read, rows, today, false, newCheckpoint);
        if (moved && !keeper.unsaved) {
            keeper.unsaved = true;
            keeper.firstUnsaved = now;
        }
    }
    if ((newDay || newCheckpoint ||
         (keeper.unsaved && now - keeper.firstUnsaved >= kSaveDelayMs)) &&
        now >= keeper.saveAfter)
        saveLedger();
}

void save() {
    if (keeper.keeping)
        saveLedger();
}

void stop() {
    save();
    release();
}

bool keeping() {
    return keeper.keeping;
}

int period() {
    return keeper.keeping ? keeper.period : static_cast<int>(UsagePeriod::Boot);
}

UsageFigures figures(int position) {
    UsageFigures shown{};
    shown.last = localToday();
    shown.first = keeper.period == UsagePeriod::Month ? periodStart(shown.last, keeper.billingDay)
                                                      : shown.last;
    if (known(position))
        totals(keeper.ledger, keeper.slots[position].interface, shown.first, shown.last,
               shown.bytes, keeper.period == UsagePeriod::Month);
    return shown;
}

std::int64_t periodBytes(int position, std::int32_t& first) {
    first = keeper.today;
    if (!known(position))
        return 0;
    const std::int32_t interface = keeper.slots[position].interface;
    // The one asked last first: with one interface shown, the tick finds it at once.
    PeriodSums* kept = &keeper.sums[keeper.lastSums];
    if (!kept->summed || kept->interface != interface) {
        kept = nullptr;
        for (PeriodSums& one : keeper.sums)
            if (one.summed && one.interface == interface)
                kept = &one;
        if (kept == nullptr)
            kept = &keeper.sums[keeper.nextSums++ % std::size(keeper.sums)];
        keeper.lastSums = static_cast<unsigned>(kept - keeper.sums);
    }
    PeriodSums& sums = *kept;
    // Only the tick adds to a day once the ledger is loaded, and only to today: the days before
    // it change with the date, another interface, or entries added, merged or released.
    if (!sums.summed || sums.interface != interface || sums.today != keeper.today ||
        sums.period != keeper.period || sums.billingDay != keeper.billingDay ||
        sums.entries != keeper.ledger.entries || sums.entryCount != keeper.ledger.entryCount) {
        sums = PeriodSums{true,
                          interface,
                          keeper.today,
                          keeper.period == UsagePeriod::Month
                              ? periodStart(keeper.today, keeper.billingDay)
                              : keeper.today,
                          keeper.period,
                          keeper.billingDay,
                          keeper.ledger.entries,
                          keeper.ledger.entryCount,
                          {0, 0}};
        if (sums.first < keeper.today)
            totals(keeper.ledger, interface, sums.first, keeper.today - 1, sums.before);
        // A month line that begins today counts toward the period, never toward today's day.
        if (keeper.period == UsagePeriod::Month) {
            std::int64_t withMonths[2], days[2];
            totals(keeper.ledger, interface, keeper.today, keeper.today, withMonths, true);
            totals(keeper.ledger, interface, keeper.today, keeper.today, days, false);
            for (int channel = 0; channel < 2; ++channel)
                sums.before[channel] =
                    saturatingAdd(sums.before[channel], withMonths[channel] - days[channel]);
        }
    }
    first = sums.first;
    std::int64_t today[2] = {0, 0};
    const std::int32_t latest = keeper.ledger.interfaces[interface].latest;
    if (latest >= 0 && keeper.ledger.entries[latest].day == keeper.today) {
        today[0] = keeper.ledger.entries[latest].bytes[0];
        today[1] = keeper.ledger.entries[latest].bytes[1];
    } else if (latest >= 0 && keeper.ledger.entries[latest].day > keeper.today) {
        // The clock was set back: today's entry is not the latest.
        totals(keeper.ledger, interface, keeper.today, keeper.today, today, false);
    }
    return saturatingAdd(saturatingAdd(sums.before[0], today[0]),
                         saturatingAdd(sums.before[1], today[1]));
}

void billingPeriod(std::int32_t& first, std::int32_t& last, std::int32_t& today) {
    today = localToday();
    first = periodStart(today, keeper.billingDay);
    last = periodEnd(today, keeper.billingDay);
}

void daysBytes(int position, std::int32_t first, int days, std::int64_t (*bytes)[2],
               std::int64_t months[2]) {
    for (int day = 0; day < days; ++day)
        bytes[day][0] = bytes[day][1] = 0;
    months[0] = months[1] = 0;
    if (!known(position))
        return;
    const std::int32_t interface = keeper.slots[position].interface;
    for (std::int32_t i = 0; i < keeper.ledger.entryCount; ++i) {
        const UsageEntry& entry = keeper.ledger.entries[i];
        const std::int64_t day = std::int64_t{entry.day} - first;
        if (entry.interface != interface || day < 0 || day >= days)
            continue;
        std::int64_t* sum = entry.month ? months : bytes[day];
        for (int channel = 0; channel < 2; ++channel)
            sum[channel] = saturatingAdd(sum[channel], entry.bytes[channel]);
    }
}

std::int32_t shownInterface(int position) {
    return known(position) ? keeper.slots[position].interface : -1;
}

const char* status() {
    return keeper.saveError[0] ? keeper.saveError : keeper.loadNote;
}

} // namespace UsageKeeper
