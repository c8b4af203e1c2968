#include "traffic/counter_delta.h"

// A 64-bit counter below the previous reading was reset, and the reading is what it moved since.
// A 32-bit counter below it wrapped when the distance modulo 2^32 is less than half the range,
// else it was reset too.
std::int64_t counterDelta(std::int64_t previous, std::int64_t reading, bool wide) {
    if (reading >= previous)
        return reading - previous;
    if (wide)
        return reading;
    std::int64_t wrapped = reading + kCounterRange - previous;
    return wrapped < kCounterRange / 2 ? wrapped : reading;
}
