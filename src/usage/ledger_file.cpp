#include "usage/ledger_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "traffic/counter_delta.h"
#include "usage/calendar.h"

namespace {

// A line not stored for want of memory: told apart from damage by this very text.
const char kNoMemory[] = "out of memory";

const char kHeader[] =
    "# Velnor usage ledger: bytes received and sent by each interface, by day. Fields are\n"
    "# separated by tabs; lines starting with # are comments. The lines are:\n"
    "# interface<TAB>id<TAB>description: the id is the interface's GUID where it has one,\n"
    "#   else its description.\n"
    "# checkpoint<TAB>id<TAB>boot<TAB>width<TAB>received<TAB>sent<TAB>uptime: the raw counters\n"
    "#   as last read, 64 or 32 bits wide, in the boot that started at Unix second `boot`, still\n"
    "#   so `uptime` seconds after it (the uptime may be left out).\n"
    "# YYYY-MM-DD<TAB>id<TAB>received<TAB>sent: a day's traffic. YYYY-MM<TAB>id<TAB>received<TAB>\n"
    "#   sent: a month's, folded from days more than 400 days old. Lines of the same date and id\n"
    "#   add up.\n";

constexpr int kMaxFields = 7;

struct Field {
    const char* text;
    std::size_t length;
};

// A line's fields; `count` is kMaxFields + 1 when there are more.
struct Line {
    Field fields[kMaxFields];
    int count;
};

void split(const char* text, std::size_t length, Line& line) {
    line.count = 0;
    std::size_t start = 0;
    for (;;) {
        const void* tab = std::memchr(text + start, '\t', length - start);
        std::size_t end = tab != nullptr ? static_cast<const char*>(tab) - text : length;
        if (line.count == kMaxFields) {
            line.count = kMaxFields + 1;
            return;
        }
        line.fields[line.count++] = Field{text + start, end - start};
        if (tab == nullptr)
            return;
        start = end + 1;
    }
}

bool digits(const char* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return length > 0;
}

int number(const char* text, std::size_t length) {
    int value = 0;
    for (std::size_t i = 0; i < length; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

// A plain decimal below 2^63: no sign, no spaces, at least one digit. `negative` allows a '-'.
bool parseCount(Field field, std::int64_t& value, bool negative = false) {
    bool minus = negative && field.length > 0 && field.text[0] == '-';
    std::size_t first = minus ? 1 : 0;
    if (!digits(field.text + first, field.length - first))
        return false;
    std::uint64_t limit = minus ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
    std::uint64_t sum = 0;
    for (std::size_t i = first; i < field.length; ++i) {
        unsigned digit = static_cast<unsigned>(field.text[i] - '0');
        if (sum > (limit - digit) / 10)
            return false;
        sum = sum * 10 + digit;
    }
    value = minus ? static_cast<std::int64_t>(0 - sum) : static_cast<std::int64_t>(sum);
    return true;
}

bool is(Field field, const char* word) {
    return field.length == std::strlen(word) && std::memcmp(field.text, word, field.length) == 0;
}

// Null for a good line, else why it is not.
const char* readLine(const Line& line, UsageLedger& ledger) {
    const Field& first = line.fields[0];
    bool date = first.length > 0 && first.text[0] >= '0' && first.text[0] <= '9';
    int wanted = date ? 4 : is(first, "interface") ? 3 : is(first, "checkpoint") ? 6 : 0;
    if (wanted == 0)
        return "unknown word";
    // A checkpoint's uptime is optional: files written before it was kept have none.
    if (line.count != wanted && !(wanted == 6 && line.count == 7))
        return "wrong number of fields";
    const Field& id = line.fields[1];
    if (id.length == 0)
        return "empty id";
    if (id.length >= kIdSize)
        return "id too long";
    std::int64_t counts[2];
    const Field* countFields = &line.fields[wanted - 2];
    if (wanted != 3 &&
        !(parseCount(countFields[0], counts[0]) && parseCount(countFields[1], counts[1])))
        return "bad count";
    if (date) {
        const char* t = first.text;
        bool month = first.length == 7;
        if (!(first.length == 10 || month) || !digits(t, 4) || t[4] != '-' || !digits(t + 5, 2) ||
            (!month && (t[7] != '-' || !digits(t + 8, 2))))
            return "not a date";
        int year = number(t, 4), monthOfYear = number(t + 5, 2);
        int day = month ? 1 : number(t + 8, 2);
        if (!validDate(year, monthOfYear, day))
            return "no such date";
        std::int32_t index = findOrAddInterface(ledger, id.text, id.length, nullptr, 0);
        if (index < 0 ||
            !appendBytes(ledger, index, dayNumber(year, monthOfYear, day), month, counts))
            return kNoMemory;
        return nullptr;
    }
    if (wanted == 3) {
        const Field& description = line.fields[2];
        if (findOrAddInterface(ledger, id.text, id.length, description.text, description.length) <
            0)
            return kNoMemory;
        return nullptr;
    }
    std::int64_t boot;
    if (!parseCount(line.fields[2], boot, true))
        return "bad boot time";
    bool wide = is(line.fields[3], "64");
    if (!wide && !is(line.fields[3], "32"))
        return "bad width";
    if (!wide && (counts[0] >= kCounterRange || counts[1] >= kCounterRange))
        return "count above 32 bits";
    std::int64_t uptime = 0;
    if (line.count == 7 && !parseCount(line.fields[6], uptime))
        return "bad uptime";
    std::int32_t index = findOrAddInterface(ledger, id.text, id.length, nullptr, 0);
    if (index < 0)
        return kNoMemory;
    setCheckpoint(ledger, index, boot, wide, counts, uptime);
    return nullptr;
}

// Appends into a buffer sized beforehand for the longest text of every line.
struct Writer {
    char* out;
    std::size_t used;
};

void put(Writer& writer, const char* text, std::size_t length) {
    std::memcpy(writer.out + writer.used, text, length);
    writer.used += length;
}

void put(Writer& writer, const char* text) {
    put(writer, text, std::strlen(text));
}

void putChar(Writer& writer, char c) {
    writer.out[writer.used++] = c;
}

void putNumber(Writer& writer, std::int64_t value) {
    char digitsOut[20];
    int count = 0;
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    do {
        digitsOut[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        putChar(writer, '-');
    while (count > 0)
        putChar(writer, digitsOut[--count]);
}

void putDigits(Writer& writer, int value, int width) {
    for (int divisor = width == 4 ? 1000 : 10; divisor > 0; divisor /= 10)
        putChar(writer, static_cast<char>('0' + value / divisor % 10));
}

} // namespace

LedgerReadResult readLedger(const char* text, std::size_t length, UsageLedger& ledger) {
    LedgerReadResult result{true, false, {}};
    // A spreadsheet's "CSV UTF-8" and some editors put a byte-order mark first.
    std::size_t start = length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    for (unsigned long long lineNumber = 1; start < length; ++lineNumber) {
        const void* newline = std::memchr(text + start, '\n', length - start);
        std::size_t next =
            newline != nullptr ? static_cast<const char*>(newline) - text + 1 : length;
        std::size_t end = newline != nullptr ? next - 1 : length;
        if (end > start && text[end - 1] == '\r')
            --end;
        const char* line = text + start;
        std::size_t lineLength = end - start;
        start = next;
        if (lineLength == 0 || line[0] == '#')
            continue;
        Line fields;
        split(line, lineLength, fields);
        const char* damage = readLine(fields, ledger);
        result.noMemory = result.noMemory || damage == kNoMemory;
        if (damage != nullptr && result.ok) {
            result.ok = false;
            std::snprintf(result.reason, sizeof result.reason, "line %llu: %s", lineNumber, damage);
        }
    }
    mergeEntries(ledger);
    return result;
}

char* writeLedger(const UsageLedger& ledger, std::size_t& length) {
    // The date, four numbers of at most 20 characters and separators, beside the texts.
    constexpr std::size_t kLineSize = 10 + 4 * 20 + 12;
    std::size_t size = sizeof kHeader;
    for (std::int32_t i = 0; i < ledger.interfaceCount; ++i) {
        const UsageInterface& interface = ledger.interfaces[i];
        size += 2 * (kLineSize + std::strlen(interface.id)) + std::strlen(interface.description);
    }
    for (std::int32_t i = 0; i < ledger.entryCount; ++i)
        size += kLineSize + std::strlen(ledger.interfaces[ledger.entries[i].interface].id);
    std::int32_t* order = static_cast<std::int32_t*>(
        std::malloc(sizeof(std::int32_t) * static_cast<std::size_t>(ledger.entryCount) + 1));
    Writer writer{static_cast<char*>(std::malloc(size)), 0};
    if (order == nullptr || writer.out == nullptr) {
        std::free(order);
        std::free(writer.out);
        return nullptr;
    }
    for (std::int32_t i = 0; i < ledger.entryCount; ++i)
        order[i] = i;
    const UsageEntry* entries = ledger.entries;
    std::sort(order, order + ledger.entryCount, [entries](std::int32_t a, std::int32_t b) {
        return entryBefore(entries[a], entries[b]);
    });

    put(writer, kHeader);
    for (std::int32_t i = 0; i < ledger.interfaceCount; ++i) {
        const UsageInterface& interface = ledger.interfaces[i];
        put(writer, "interface\t");
        put(writer, interface.id);
        putChar(writer, '\t');
        put(writer, interface.description);
        putChar(writer, '\n');
    }
    for (std::int32_t i = 0; i < ledger.interfaceCount; ++i) {
        const UsageInterface& interface = ledger.interfaces[i];
        if (!interface.hasCheckpoint)
            continue;
        const UsageCheckpoint& checkpoint = interface.checkpoint;
        put(writer, "checkpoint\t");
        put(writer, interface.id);
        putChar(writer, '\t');
        putNumber(writer, checkpoint.boot);
        put(writer, checkpoint.wide ? "\t64\t" : "\t32\t");
        putNumber(writer, checkpoint.counters[0]);
        putChar(writer, '\t');
        putNumber(writer, checkpoint.counters[1]);
        if (checkpoint.uptime > 0) {
            putChar(writer, '\t');
            putNumber(writer, checkpoint.uptime);
        }
        putChar(writer, '\n');
    }
    for (std::int32_t i = 0; i < ledger.entryCount; ++i) {
        const UsageEntry& entry = entries[order[i]];
        CivilDate date = civilDate(entry.day);
        putDigits(writer, date.year, 4);
        putChar(writer, '-');
        putDigits(writer, date.month, 2);
        if (!entry.month) {
            putChar(writer, '-');
            putDigits(writer, date.day, 2);
        }
        putChar(writer, '\t');
        put(writer, ledger.interfaces[entry.interface].id);
        putChar(writer, '\t');
        putNumber(writer, entry.bytes[0]);
        putChar(writer, '\t');
        putNumber(writer, entry.bytes[1]);
        putChar(writer, '\n');
    }
    std::free(order);
    writer.out[writer.used] = '\0';
    length = writer.used;
    return writer.out;
}
