// The one rule for the bytes a raw interface counter moved between two readings, shared by the
// sampler (tick to tick) and the usage ledger (checkpoint to start). Win32-free.
#pragma once

#include <cstdint>

constexpr std::int64_t kCounterRange = std::int64_t{1} << 32; // of a 32-bit counter

// Bytes moved since `previous`, never negative for readings in the counter's range.
std::int64_t counterDelta(std::int64_t previous, std::int64_t reading, bool wide);
