#include "widget/cap_watch.h"

#include "platform.h"
#include "settings/settings.h"
#include "usage/calendar.h"
#include "usage/keeper.h"
#include "usage/ledger.h"

CapLimit currentCapLimit() {
    if (UsageKeeper::period() == UsagePeriod::Boot)
        return CapLimit{};
    const WidgetSettings& settings = widgetSettings();
    return capLimit(settings.capBytes, settings.budget, settings.price, settings.capWarn);
}

std::int64_t capUsed(const LabelFigures& figures) {
    return saturatingAdd(figures.bytes[Channel::Receive], figures.bytes[Channel::Send]);
}

CapClock capClockNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    CapClock clock{};
    clock.today = dayNumber(now.wYear, now.wMonth, now.wDay);
    clock.seconds = (now.wHour * 60 + now.wMinute) * 60 + now.wSecond;
    clock.first = clock.last = clock.today;
    if (UsageKeeper::period() == UsagePeriod::Month) {
        clock.first = periodStart(clock.today, widgetSettings().billingDay);
        clock.last = periodEnd(clock.today, widgetSettings().billingDay);
    }
    return clock;
}

int composeCapLines(char* out, std::size_t size) {
    const CapLimit limit = currentCapLimit();
    if (limit.bytes <= 0 || size == 0)
        return 0;
    const UsageFigures period = UsageKeeper::figures(widgetSettings().adapter);
    const std::int64_t used =
        saturatingAdd(period.bytes[Channel::Receive], period.bytes[Channel::Send]);
    const CapClock clock = capClockNow();
    return formatCapLines(limit, capFigures(limit, used, clock), clock, out, size);
}
