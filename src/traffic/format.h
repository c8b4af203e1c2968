// Byte counts and the cost as the widget shows them. Rounding is done here, on the decimal
// expansion, so that the texts do not depend on the C runtime a build links.
#pragma once

#include <cstddef>
#include <cstdint>

#include "traffic/counter_delta.h"

constexpr std::size_t kTextSize = 32; // holds every text below, "/s" included

// "1023 B", "1.500 KB", "1.0 MB", "1.13 GB". Returns `out`; never writes more than `size` bytes.
char* formatByteCount(std::int64_t value, char* out, std::size_t size);
// The cost with two decimals ("1234.57"), bounded for any double.
char* formatCost(double value, char* out, std::size_t size);
// What `bytes` cost at `price` a KB. No bytes cost nothing, whatever the price: an infinite one
// would make it not a number.
inline double costOf(std::int64_t bytes, double price) {
    return bytes == 0 ? 0.0 : countAsDouble(bytes) / 1024.0 * price;
}
