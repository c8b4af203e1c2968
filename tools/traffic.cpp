// The demo's traffic and its ground truth, under Wine.
// Usage: traffic ramp <milliseconds> [peak MiB/s]
//          moves bytes through 127.0.0.1 at a rate that rises from 0 to the peak (default 100)
//          and falls back to 0 over the given time, then prints what it moved
//        traffic counters <interface> <price>
//          prints the kernel's totals of the interface (as /proc/net/dev gives them) and their
//          cost in the widget's formats
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform.h"
#include "settings/price.h"
#include "traffic/format.h"
#include "support/loopback.h"

namespace {

constexpr int kChunk = 64 * 1024;

double seconds() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Bytes due by `t` of `length` seconds when the rate rises evenly to `peak` bytes a second at the
// middle and falls evenly back: the area under that triangle so far.
double dueBy(double t, double length, double peak) {
    if (t >= length)
        return peak * length / 2;
    if (2 * t <= length)
        return peak * t * t / length;
    return peak * (length / 2 - (length - t) * (length - t) / length);
}

int ramp(double length, double peak) {
    SOCKET sender, receiver;
    if (!connectLoopback(sender, receiver)) {
        std::printf("traffic: no connection over 127.0.0.1\n");
        return 1;
    }
    std::thread draining([receiver] {
        std::vector<char> buffer(kChunk);
        while (recv(receiver, buffer.data(), kChunk, 0) > 0) {
        }
    });
    std::vector<char> chunk(kChunk, 'v');
    double start = seconds();
    double sent = 0;
    for (double t = 0; t < length; t = seconds() - start) {
        while (sent + kChunk <= dueBy(t, length, peak)) {
            if (send(sender, chunk.data(), kChunk, 0) != kChunk)
                break;
            sent += kChunk;
        }
        Sleep(5);
    }
    closesocket(sender);
    draining.join();
    closesocket(receiver);
    char moved[kTextSize];
    std::printf("traffic: moved %s through 127.0.0.1 in %.1f s\n",
                formatByteCount(static_cast<std::int64_t>(sent), moved, sizeof moved), length);
    return 0;
}

int counters(const char* name, double price) {
    std::int64_t received = 0, sent = 0;
    if (!readKernelCounts(name, received, sent)) {
        std::printf("traffic: the kernel's counters of %s cannot be read\n", name);
        return 1;
    }
    char in[kTextSize], out[kTextSize], all[kTextSize], cost[kTextSize];
    formatByteCount(received, in, sizeof in);
    formatByteCount(sent, out, sizeof out);
    formatByteCount(received + sent, all, sizeof all);
    formatCost(static_cast<double>(received + sent) / 1024.0 * price, cost, sizeof cost);
    std::printf("the kernel's counters of %s: in %s  out %s  all %s  cost %s\n", name, in, out, all,
                cost);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 1;
    int result = 2;
    if (argc >= 3 && std::strcmp(argv[1], "ramp") == 0)
        result = ramp(std::atof(argv[2]) / 1000.0,
                      (argc >= 4 ? std::atof(argv[3]) : 100.0) * 1024 * 1024);
    else if (argc >= 4 && std::strcmp(argv[1], "counters") == 0)
        result = counters(argv[2], parsePrice(argv[3]));
    else
        std::printf("usage: traffic ramp <milliseconds> [peak MiB/s] | traffic counters "
                    "<interface> <price>\n");
    WSACleanup();
    return result;
}
