// The one rule for the bytes a raw interface counter moved between two readings, shared by the
// sampler (tick to tick) and the usage ledger (every interface, every tick). Win32-free; inline,
// since a tick applies it to both directions of every interface.
#pragma once

#include <cstdint>

constexpr std::int64_t kCounterRange = std::int64_t{1} << 32; // of a 32-bit counter

// Bytes moved since `previous`, never negative for readings in the counter's range. A 64-bit
// counter below the previous reading was reset, and the reading is what it moved since. A 32-bit
// counter below it wrapped when the distance modulo 2^32 is less than half the range, else it was
// reset too.
inline std::int64_t counterDelta(std::int64_t previous, std::int64_t reading, bool wide) {
    if (reading >= previous)
        return reading - previous;
    if (wide)
        return reading;
    std::int64_t wrapped = reading + kCounterRange - previous;
    return wrapped < kCounterRange / 2 ? wrapped : reading;
}

// Byte counts stay below 2^63: sums of them are held there.
inline std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    return b > INT64_MAX - a ? INT64_MAX : a + b;
}

// A count as a double, rounded as the plain conversion rounds it. A 32-bit build converts 64 bits
// by loading as one the two halves it has just stored, which stalls the load; converted apart they
// stay in registers, and the one rounding is the sum's, both parts being exact.
inline double countAsDouble(std::int64_t count) {
    const auto high = static_cast<std::int32_t>(count >> 32);
    const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(count) ^ 0x80000000u);
    return static_cast<double>(high) * 4294967296.0 + (static_cast<double>(low) + 2147483648.0);
}
