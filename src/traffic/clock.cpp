#include "traffic/clock.h"

#include <cmath>

#include "platform.h"
#include "traffic/counter_delta.h"

namespace {

// The frequency is fixed at boot, so it is asked once. Not a function-local static: its guard
// would link the C++ runtime's thread support into the DLL for one question on one thread.
struct ClockState {
    double microsecondsPerCount; // 0 until asked
};
ClockState clockState;

} // namespace

std::int64_t clockMicroseconds() {
    // Both succeed on every system that runs this code; their results are not checked.
    if (clockState.microsecondsPerCount == 0) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        clockState.microsecondsPerCount = 1e6 / static_cast<double>(frequency.QuadPart);
    }
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    // One multiply, where whole seconds and the rest took three 64-bit divisions. Its rounding
    // never turns the clock back and stays under a microsecond for a century of uptime; rounded to
    // the nearest, which a 32-bit build does without switching the FPU's rounding twice.
    return std::llrint(countAsDouble(count.QuadPart) * clockState.microsecondsPerCount);
}
