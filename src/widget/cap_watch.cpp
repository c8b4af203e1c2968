#include "widget/cap_watch.h"

#include "handles.h"
#include "platform.h"
#include "settings/settings.h"
#include "usage/calendar.h"
#include "usage/keeper.h"
#include "usage/ledger.h"
#include "widget/balloon.h"
#include "widget/shown_interface.h"

namespace {

constexpr std::int32_t kNoPeriod = INT32_MIN;

// A period by its kind and first day: a day and the billing period beginning on it are two.
struct PeriodShown {
    int period;
    std::int32_t first;
};
// The last two periods a threshold's balloon was shown in, the later first: a clock set back a
// period and forward again finds both.
using ShownPeriods = PeriodShown[2];

struct CapWatchState {
    CapLimit limit; // in force since the last start or reload
    bool primed;    // `level` is where the watched interface and period stood at the last look
    std::int32_t interface;
    std::int32_t first; // of the watched period
    int level;
    ShownPeriods shown[2]; // for each threshold
};
constexpr PeriodShown kNoneShown{UsagePeriod::Boot, kNoPeriod};
constexpr CapWatchState kNothingWatched{
    {}, false, 0, kNoPeriod, 0, {{kNoneShown, kNoneShown}, {kNoneShown, kNoneShown}}};
CapWatchState capWatch = kNothingWatched;

bool shownIn(const ShownPeriods& periods, const PeriodShown& period) {
    for (const PeriodShown& shown : periods)
        if (shown.period == period.period && shown.first == period.first)
            return true;
    return false;
}

// No limit (bytes 0) unless a ledger is kept: with boot the keys are read and ignored.
CapLimit currentCapLimit() {
    if (UsageKeeper::period() == UsagePeriod::Boot)
        return CapLimit{};
    const WidgetSettings& settings = widgetSettings();
    return capLimit(settings.capBytes, settings.budget, settings.price, settings.capWarn);
}

bool showWarning(const CapLimit& limit, std::int64_t used, int level) {
    const CapClock clock = capClockNow();
    char title[96], text[400];
    formatCapWarning(limit, capFigures(limit, used, clock), level, title, sizeof title, text,
                     sizeof text);
    return moduleHandles().widget &&
           showBalloon(moduleHandles().widget, title, text, level == CapLevel::Over);
}

// Looks at the period's bytes now; `warn` says whether a crossing shows a balloon.
void look(bool warn) {
    const CapLimit& limit = capWatch.limit;
    if (limit.bytes <= 0) {
        capWatch.primed = false;
        return;
    }
    std::int32_t interface = -1, first = 0;
    const std::int64_t used = shownPeriodBytes(widgetSettings(), interface, first);
    const int level = capLevel(limit, used);
    // Another interface, or a period set back by the clock, is found where it stands, like a
    // start. The next period began below every threshold: the tick that opens it crosses too.
    const int before = first > capWatch.first ? int{CapLevel::Below} : capWatch.level;
    const bool crossed = warn && capWatch.primed && capWatch.interface == interface &&
                         first >= capWatch.first && level > before;
    capWatch.primed = true;
    capWatch.interface = interface;
    capWatch.first = first;
    capWatch.level = level;
    if (!crossed)
        return;
    const PeriodShown now{UsageKeeper::period(), first};
    if (shownIn(capWatch.shown[level - 1], now))
        return;
    // A balloon whose window cannot be had is not shown yet: the next tick crosses again.
    if (!showWarning(limit, used, level)) {
        capWatch.level = before;
        return;
    }
    // A tick that crosses both thresholds shows the higher one; the lower is passed with it.
    for (int reached = CapLevel::Warn; reached <= level; ++reached) {
        ShownPeriods& periods = capWatch.shown[reached - 1];
        if (!shownIn(periods, now)) {
            periods[1] = periods[0];
            periods[0] = now;
        }
    }
}

SYSTEMTIME midnightOf(std::int32_t day) {
    const CivilDate date = civilDate(day);
    SYSTEMTIME midnight{};
    midnight.wYear = static_cast<WORD>(date.year);
    midnight.wMonth = static_cast<WORD>(date.month);
    midnight.wDay = static_cast<WORD>(date.day);
    return midnight;
}

std::int64_t secondsOf(const FILETIME& time) {
    return static_cast<std::int64_t>((ULONGLONG{time.dwHighDateTime} << 32 | time.dwLowDateTime) /
                                     10000000);
}

// `time` read as UTC, in whole seconds; false for a time the system cannot convert.
bool secondsOf(const SYSTEMTIME& time, std::int64_t& seconds) {
    FILETIME file;
    if (!SystemTimeToFileTime(&time, &file))
        return false;
    seconds = secondsOf(file);
    return true;
}

// How far the local clock is ahead of UTC at local time `local`, in seconds; 0 where the system
// cannot tell.
std::int32_t utcLead(const SYSTEMTIME& local) {
    SYSTEMTIME utc;
    std::int64_t wall = 0, real = 0;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !secondsOf(local, wall) ||
        !secondsOf(utc, real))
        return 0;
    return static_cast<std::int32_t>(wall - real);
}

// The lead at `now`, the local clock just read. In the hour the clocks go back the wall clock shows
// twice and the conversion answers with the first pass, so the real clock tells the passes apart;
// its lead is taken when it is one the zone has (the two clocks are read a moment apart, in whole
// seconds).
std::int32_t utcLeadNow(const SYSTEMTIME& now) {
    TIME_ZONE_INFORMATION zone;
    std::int64_t wall = 0;
    if (GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID && secondsOf(now, wall)) {
        FILETIME real;
        GetSystemTimeAsFileTime(&real);
        const std::int64_t lead = wall - secondsOf(real);
        const LONG biases[] = {zone.StandardBias, zone.DaylightBias};
        for (const LONG bias : biases) {
            const std::int64_t zoneLead = -60LL * (zone.Bias + bias);
            if (lead >= zoneLead - 2 && lead <= zoneLead + 2)
                return static_cast<std::int32_t>(zoneLead);
        }
    }
    return utcLead(now);
}

} // namespace

const CapLimit& capLimitInForce() {
    return capWatch.limit;
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
    const std::int32_t start = utcLead(midnightOf(clock.first));
    clock.forward = utcLeadNow(now) - start;
    clock.forwardByEnd = utcLead(midnightOf(clock.last + 1)) - start;
    return clock;
}

int composeCapLines(char* out, std::size_t size) {
    const CapLimit& limit = capWatch.limit;
    if (limit.bytes <= 0 || size == 0)
        return 0;
    const UsageFigures period = shownUsage(widgetSettings());
    const std::int64_t used =
        saturatingAdd(period.bytes[Channel::Receive], period.bytes[Channel::Send]);
    const CapClock clock = capClockNow();
    return formatCapLines(limit, capFigures(limit, used, clock), clock, out, size);
}

void watchCap() {
    look(true);
}

void primeCapWatch() {
    const CapLimit before = capWatch.limit;
    capWatch.limit = currentCapLimit();
    // An open balloon speaks of the old limit: gone or changed, it would tell what no longer holds.
    if (capWatch.limit.bytes <= 0 || capWatch.limit.bytes != before.bytes ||
        capWatch.limit.budget != before.budget)
        hideBalloon();
    look(false);
}

void stopCapWatch() {
    destroyBalloon();
    capWatch = kNothingWatched;
}
