// The benchmark's clock and its one way of measuring: the widget's path and the floor the
// platform sets, interleaved, each as the median time per operation.
#pragma once

#include <vector>

// Seconds, from QueryPerformanceCounter.
double now();
double median(std::vector<double> values);

struct Pair {
    double subject; // seconds per operation, median over rounds
    double floor;
};

// Runs the two in alternating rounds of `batch` operations each, so that a busy machine slows
// both alike, and keeps the median of the per-operation times.
template <typename A, typename B> Pair measure(int rounds, int batch, A subject, B floor) {
    std::vector<double> a, b;
    for (int r = 0; r < rounds; ++r) {
        double start = now();
        for (int i = 0; i < batch; ++i)
            subject();
        double middle = now();
        for (int i = 0; i < batch; ++i)
            floor();
        double end = now();
        a.push_back((middle - start) / batch);
        b.push_back((end - middle) / batch);
    }
    return {median(a), median(b)};
}

// One line: both times in microseconds and their ratio, with the goal when there is one (> 0).
void printRatio(const char* what, const char* floorName, Pair pair, double goal);
