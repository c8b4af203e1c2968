#include "traffic/clock.h"

#include "platform.h"

namespace {

// The frequency is fixed at boot, so it is asked once. Not a function-local static: its guard
// would link the C++ runtime's thread support into the DLL for one question on one thread.
struct ClockState {
    LARGE_INTEGER frequency;
};
ClockState clockState;

} // namespace

std::int64_t clockMicroseconds() {
    // Both succeed on every system that runs this code; their results are not checked.
    if (clockState.frequency.QuadPart == 0)
        QueryPerformanceFrequency(&clockState.frequency);
    const LARGE_INTEGER frequency = clockState.frequency;
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    // Whole seconds and the rest apart, so that the product stays in range however long the
    // machine has run.
    std::int64_t perSecond = frequency.QuadPart;
    return count.QuadPart / perSecond * 1000000 + count.QuadPart % perSecond * 1000000 / perSecond;
}
