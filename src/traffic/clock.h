// Milliseconds of a monotonic clock that wraps at 2^32; the sampler's only time source.
#pragma once

#include <cstdint>

std::uint32_t clockMilliseconds();
