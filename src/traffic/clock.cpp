#include "traffic/clock.h"

#include "platform.h"

std::uint32_t clockMilliseconds() {
    return GetTickCount();
}
