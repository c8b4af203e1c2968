// Microseconds of a fine-grained monotonic clock; the sampler's only time source.
#pragma once

#include <cstdint>

std::int64_t clockMicroseconds();
