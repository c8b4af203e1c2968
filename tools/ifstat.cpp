// A console look at what the widget measures: this machine's interfaces, then a few ticks of the
// selected interface's rates and totals as the widget's texts.
// Usage: ifstat [ticks [position]]   (3 ticks of position 0 by default)
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform.h"
#include "traffic/format.h"
#include "traffic/interface_table.h"
#include "traffic/sampler.h"

namespace {

constexpr int kWidth = 1;

// Positive decimal argument, or `fallback` when absent or malformed.
int argument(int argc, char** argv, int index, int fallback) {
    if (argc <= index)
        return fallback;
    char* end = nullptr;
    long value = std::strtol(argv[index], &end, 10);
    if (end == argv[index] || *end != '\0' || value < 0 || value > 100000)
        return fallback;
    return static_cast<int>(value);
}

} // namespace

int main(int argc, char** argv) {
    int ticks = argument(argc, argv, 1, 3);
    int position = argument(argc, argv, 2, 0);
    if (!InterfaceTable::load()) {
        std::printf("Unable to load symbol \"GetIfTable\" from \"Iphlpapi.dll\"!\n");
        return 1;
    }
    int interfaces = InterfaceTable::count();
    std::printf("%d interfaces\n", interfaces);
    for (int i = 0; i < interfaces; ++i)
        std::printf("%3d: %s\n", i, InterfaceTable::description(i));
    if (position >= interfaces)
        std::printf("position %d is not in the table: it reads as idle\n", position);

    WidgetSettings settings{};
    settings.timer = kDefaultPeriod;
    settings.price = 1.0;
    settings.adapter = position;
    std::int64_t histories[Channel::Count][kWidth] = {};
    for (int channel = 0; channel < Channel::Count; ++channel) {
        settings.graphs[channel].width = kWidth;
        settings.graphs[channel].history = histories[channel];
    }
    TrafficSampler::resetHistory(settings);
    std::printf("ticks of %d: %s\n", position, InterfaceTable::description(position));
    for (int i = 0; i < ticks; ++i) {
        Sleep(static_cast<DWORD>(settings.timer));
        TrafficSampler::tick(settings);
        const TrafficReadings& now = TrafficSampler::readings();
        char receive[kTextSize], send[kTextSize], received[kTextSize], sent[kTextSize],
            both[kTextSize], cost[kTextSize];
        formatByteCount(now.rates[Channel::Receive], receive, sizeof receive);
        formatByteCount(now.rates[Channel::Send], send, sizeof send);
        formatByteCount(now.totals[Channel::Receive], received, sizeof received);
        formatByteCount(now.totals[Channel::Send], sent, sizeof sent);
        formatByteCount(now.totals[Channel::Receive] + now.totals[Channel::Send], both,
                        sizeof both);
        formatCost(now.cost, cost, sizeof cost);
        std::printf("in %s/s  out %s/s  received %s  sent %s  both %s  cost %s\n", receive, send,
                    received, sent, both, cost);
        std::fflush(stdout);
    }
    InterfaceTable::release();
    return 0;
}
