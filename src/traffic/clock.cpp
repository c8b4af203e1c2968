#include "traffic/clock.h"

#include "platform.h"

std::int64_t clockMicroseconds() {
    // Both succeed on every system that runs this code; their results are not checked. The
    // frequency is fixed at boot, so it is asked once.
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER asked;
        QueryPerformanceFrequency(&asked);
        return asked;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    // Whole seconds and the rest apart, so that the product stays in range however long the
    // machine has run.
    std::int64_t perSecond = frequency.QuadPart;
    return count.QuadPart / perSecond * 1000000 + count.QuadPart % perSecond * 1000000 / perSecond;
}
