// Byte counts over the whole 64-bit range and costs over the whole double range: every text is
// terminated, fits its buffer, and has the shape the labels expect.
#include <cstdint>
#include <cstring>

#include "traffic/format.h"
#include "fuzz_check.h"

namespace {

bool isNumberText(const char* text) {
    const char* p = text;
    if (*p == '-')
        ++p;
    if (*p < '0' || *p > '9')
        return false;
    for (; *p; ++p)
        if (!std::strchr("0123456789.e+-", *p))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 9)
        return 0;
    std::int64_t value;
    double cost;
    std::memcpy(&value, data, sizeof value);
    std::memcpy(&cost, data, sizeof cost);
    std::size_t capacity = data[8] % (kTextSize + 1);

    char text[kTextSize + 8];
    std::memset(text, 'x', sizeof text);
    formatByteCount(value, text, kTextSize);
    std::size_t length = std::strlen(text);
    check(length < kTextSize && length + 2 < kTextSize); // room for the "/s" of a caption
    const char* unit = std::strchr(text, ' ');
    check(unit != nullptr);
    check(!std::strcmp(unit, " B") || !std::strcmp(unit, " KB") || !std::strcmp(unit, " MB") ||
          !std::strcmp(unit, " GB"));
    check((value < 0) == (text[0] == '-'));

    std::memset(text, 'x', sizeof text);
    formatCost(cost, text, kTextSize);
    length = std::strlen(text);
    check(length < kTextSize);
    check(isNumberText(text) || !std::strcmp(text, "inf") || !std::strcmp(text, "-inf") ||
          !std::strcmp(text, "nan"));

    // Any smaller buffer: still terminated, nothing written past it.
    std::memset(text, 'x', sizeof text);
    formatCost(cost, text, capacity);
    check(text[capacity] == 'x');
    if (capacity > 0)
        check(std::memchr(text, 0, capacity) != nullptr);
    std::memset(text, 'x', sizeof text);
    formatByteCount(value, text, capacity);
    check(text[capacity] == 'x');
    if (capacity > 0)
        check(std::memchr(text, 0, capacity) != nullptr);
    return 0;
}
