#include "widget/shown_interface.h"

#include <cstdio>
#include <cstring>

#include "traffic/format.h"
#include "traffic/interface_table.h"
#include "traffic/sampler.h"
#include "usage/ledger.h"
#include "widget/figures.h"

namespace {

// A line of `all` names its interface in this many bytes at most, so that the lines stay short.
constexpr int kShortDescription = 40;

int append(char* out, std::size_t size, int used, const char* format, const char* a,
           const char* b = "", const char* c = "") {
    if (used < 0 || static_cast<std::size_t>(used) >= size)
        return used;
    const int more = std::snprintf(out + used, size - used, format, a, b, c);
    return more < 0 ? used : used + more;
}

// The interface's description from the table's last reading; its number when it just left.
const char* descriptionOf(std::uint32_t index, char* fallback, std::size_t size) {
    const char* text = InterfaceTable::descriptionOf(index);
    if (text != nullptr)
        return text;
    std::snprintf(fallback, size, "interface %u", static_cast<unsigned>(index));
    return fallback;
}

void describeAll(const ShownInterfaces& shown, char* out, std::size_t size) {
    int used = std::snprintf(out, size, "All interfaces (%d)", shown.counted);
    for (int i = 0; i < shown.counted; ++i) {
        const CountedInterface& counted = shown.interfaces[i];
        char number[24];
        char rates[Channel::Count][kTextSize];
        for (int channel = 0; channel < Channel::Count; ++channel)
            rateCaption(TrafficSampler::countedRate(counted, channel), rates[channel], kTextSize);
        char name[kShortDescription + 1];
        std::snprintf(name, sizeof name, "%s", descriptionOf(counted.index, number, sizeof number));
        used = append(out, size, used, "\r\n%s: receive %s, send %s", name, rates[Channel::Receive],
                      rates[Channel::Send]);
    }
}

} // namespace

bool describeChosen(const WidgetSettings& settings, char* out, std::size_t size) {
    const ShownInterfaces& shown = TrafficSampler::shown();
    const InterfaceMode mode = parseInterfaceChoice(settings.interfaceName).mode;
    char number[24];
    switch (mode) {
    case InterfaceMode::Position:
        return false;
    case InterfaceMode::All:
        describeAll(shown, out, size);
        return true;
    case InterfaceMode::Auto:
        if (shown.row < 0)
            std::snprintf(out, size, "Automatic: %s",
                          shown.route ? "the default route's interface is not present"
                                      : "no default route");
        else
            std::snprintf(out, size, "Automatic: %s",
                          descriptionOf(shown.index, number, sizeof number));
        return true;
    case InterfaceMode::Named:
        if (shown.row < 0)
            std::snprintf(out, size, "%s: interface not present", settings.interfaceName);
        else
            std::snprintf(out, size, "%s", descriptionOf(shown.index, number, sizeof number));
        return true;
    }
    return false;
}

UsageFigures shownUsage(const WidgetSettings& settings) {
    const InterfaceMode mode = parseInterfaceChoice(settings.interfaceName).mode;
    if (mode == InterfaceMode::Position)
        return UsageKeeper::figures(settings.adapter);
    const ShownInterfaces& shown = TrafficSampler::shown();
    if (mode != InterfaceMode::All)
        return UsageKeeper::figures(shown.row);
    UsageFigures sum = UsageKeeper::figures(-1);
    for (int i = 0; i < shown.counted; ++i) {
        const UsageFigures one = UsageKeeper::figures(shown.interfaces[i].row);
        for (int channel = 0; channel < Channel::Count; ++channel)
            sum.bytes[channel] = saturatingAdd(sum.bytes[channel], one.bytes[channel]);
    }
    return sum;
}

std::int64_t shownPeriodBytes(const WidgetSettings& settings, std::int32_t& identity,
                              std::int32_t& first) {
    const InterfaceMode mode = parseInterfaceChoice(settings.interfaceName).mode;
    const ShownInterfaces& shown = TrafficSampler::shown();
    if (mode != InterfaceMode::All) {
        const int row = mode == InterfaceMode::Position ? settings.adapter : shown.row;
        identity = UsageKeeper::shownInterface(row);
        return UsageKeeper::periodBytes(row, first);
    }
    // The sum is another one when an interface joins or leaves, or a failed reading counts none:
    // its identity folds in the ledger interfaces summed, and stays below -1.
    std::uint32_t summed = 2166136261u ^ static_cast<std::uint32_t>(shown.counted);
    std::int64_t sum = UsageKeeper::periodBytes(-1, first);
    for (int i = 0; i < shown.counted; ++i) {
        const int row = shown.interfaces[i].row;
        summed =
            (summed ^ static_cast<std::uint32_t>(UsageKeeper::shownInterface(row))) * 16777619u;
        sum = saturatingAdd(sum, UsageKeeper::periodBytes(row, first));
    }
    identity = -2 - static_cast<std::int32_t>(summed & 0x3FFFFFFFu);
    return sum;
}

void shownDaysBytes(const WidgetSettings& settings, std::int32_t first, int days,
                    std::int64_t (*bytes)[2], std::int64_t months[2]) {
    const InterfaceMode mode = parseInterfaceChoice(settings.interfaceName).mode;
    if (mode == InterfaceMode::Position) {
        UsageKeeper::daysBytes(settings.adapter, first, days, bytes, months);
        return;
    }
    const ShownInterfaces& shown = TrafficSampler::shown();
    if (mode != InterfaceMode::All) {
        UsageKeeper::daysBytes(shown.row, first, days, bytes, months);
        return;
    }
    UsageKeeper::daysBytes(-1, first, days, bytes, months);
    // A month of one interface at a time, added to the sum: no allocation. Each chunk gives the
    // month lines that begin within its days.
    constexpr int kChunk = 32;
    std::int64_t one[kChunk][2];
    std::int64_t oneMonths[2];
    for (int i = 0; i < shown.counted; ++i) {
        for (int from = 0; from < days; from += kChunk) {
            const int span = days - from < kChunk ? days - from : kChunk;
            UsageKeeper::daysBytes(shown.interfaces[i].row, first + from, span, one, oneMonths);
            for (int channel = 0; channel < 2; ++channel) {
                months[channel] = saturatingAdd(months[channel], oneMonths[channel]);
                for (int day = 0; day < span; ++day)
                    bytes[from + day][channel] =
                        saturatingAdd(bytes[from + day][channel], one[day][channel]);
            }
        }
    }
}
