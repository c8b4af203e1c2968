// Any bytes as a ledger file: reading stays inside them, and whatever it keeps, written and read
// again, gives the same interfaces, checkpoints and entries, and the same text once more. Folding
// keeps every interface's total.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "usage/ledger_file.h"
#include "fuzz_check.h"

namespace {

bool sameInterface(const UsageInterface& a, const UsageInterface& b) {
    return std::strcmp(a.id, b.id) == 0 && std::strcmp(a.description, b.description) == 0 &&
           a.hasCheckpoint == b.hasCheckpoint &&
           (!a.hasCheckpoint ||
            (a.checkpoint.boot == b.checkpoint.boot && a.checkpoint.wide == b.checkpoint.wide &&
             a.checkpoint.counters[0] == b.checkpoint.counters[0] &&
             a.checkpoint.counters[1] == b.checkpoint.counters[1]));
}

bool hasEntry(const UsageLedger& ledger, const UsageEntry& wanted) {
    for (std::int32_t i = 0; i < ledger.entryCount; ++i) {
        const UsageEntry& entry = ledger.entries[i];
        if (entry.interface == wanted.interface && entry.day == wanted.day &&
            entry.month == wanted.month)
            return entry.bytes[0] == wanted.bytes[0] && entry.bytes[1] == wanted.bytes[1];
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that ASan sees any read past the end.
    char* text = static_cast<char*>(std::malloc(size + 1));
    check(text != nullptr);
    if (size > 0)
        std::memcpy(text, data, size);
    UsageLedger first{};
    readLedger(text, size, first);
    std::free(text);

    std::size_t length = 0;
    char* written = writeLedger(first, length);
    check(written != nullptr && std::strlen(written) == length);
    UsageLedger second{};
    check(readLedger(written, length, second).ok);
    check(second.interfaceCount == first.interfaceCount && second.entryCount == first.entryCount);
    for (std::int32_t i = 0; i < first.interfaceCount; ++i)
        check(sameInterface(first.interfaces[i], second.interfaces[i]));
    for (std::int32_t i = 0; i < first.entryCount; ++i)
        check(hasEntry(second, first.entries[i]));
    std::size_t againLength = 0;
    char* again = writeLedger(second, againLength);
    check(again != nullptr && againLength == length && std::memcmp(again, written, length) == 0);
    std::free(again);
    std::free(written);

    // Every day before the newest entry's folds (the entries lie months first, then by day).
    const std::int32_t today =
        second.entryCount > 0 ? second.entries[second.entryCount - 1].day + kKeptDays : 0;
    std::vector<std::int64_t> before(2 * static_cast<std::size_t>(second.interfaceCount));
    for (std::int32_t i = 0; i < second.interfaceCount; ++i)
        totals(second, i, INT32_MIN, INT32_MAX, &before[2 * static_cast<std::size_t>(i)]);
    fold(second, today);
    for (std::int32_t i = 0; i < second.interfaceCount; ++i) {
        std::int64_t after[2];
        totals(second, i, INT32_MIN, INT32_MAX, after);
        check(before[2 * static_cast<std::size_t>(i)] == after[0] &&
              before[2 * static_cast<std::size_t>(i) + 1] == after[1]);
    }
    freeLedger(first);
    freeLedger(second);
    return 0;
}
