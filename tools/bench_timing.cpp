#include "bench_timing.h"

#include <algorithm>
#include <cstdio>

#include "platform.h"

namespace {

double ticksPerSecond() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart);
}

} // namespace

double now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / ticksPerSecond();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

void printRatio(const char* what, const char* floorName, Pair pair, double goal) {
    double ratio = pair.floor > 0 ? pair.subject / pair.floor : 0.0;
    std::printf("%-44s %10.2f us  %-30s %10.2f us  ratio %6.3f", what, pair.subject * 1e6,
                floorName, pair.floor * 1e6, ratio);
    if (goal > 0)
        std::printf("  (goal <= %.2f)", goal);
    std::printf("\n");
}
