#include "settings/cap.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "ascii.h"
#include "traffic/format.h"
#include "usage/calendar.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// No estimate before the period is this old: one hour's traffic says little about a month's.
constexpr std::int64_t kEstimateAfter = 3600;
// Fraction digits are kept up to 10^18, which the arithmetic still holds; later ones move no
// byte count.
constexpr std::int64_t kFractionScale = 1000000000000000000LL;
constexpr std::size_t kAmountSize = 2 * kTextSize + 16;

bool space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// 1024 to the power of the unit at `text`, its letters stepped over; 0 for an unknown unit.
std::int64_t unitFactor(const char*& text) {
    static const char kPrefixes[] = "kmgt";
    std::int64_t factor = 1;
    const char first = asciiLower(*text);
    for (int i = 0; kPrefixes[i]; ++i)
        if (first == kPrefixes[i]) {
            factor = std::int64_t{1} << (10 * (i + 1));
            ++text;
            break;
        }
    if (asciiLower(*text) == 'b')
        ++text;
    else if (factor != 1)
        return 0; // "5 K": a prefix without its B
    return factor;
}

// The 128-bit product a x b, divided by c: quotient and remainder, the quotient held at
// UINT64_MAX when it does not fit. No 128-bit type on every compiler of the build.
void mulDiv(std::uint64_t a, std::uint64_t b, std::uint64_t c, std::uint64_t& quotient,
            std::uint64_t& remainder) {
    const std::uint64_t mask = 0xFFFFFFFFu;
    const std::uint64_t ll = (a & mask) * (b & mask), lh = (a & mask) * (b >> 32),
                        hl = (a >> 32) * (b & mask), hh = (a >> 32) * (b >> 32);
    const std::uint64_t middle = (ll >> 32) + (lh & mask) + (hl & mask);
    const std::uint64_t low = (ll & mask) | (middle << 32);
    const std::uint64_t high = hh + (lh >> 32) + (hl >> 32) + (middle >> 32);
    if (high >= c) {
        quotient = UINT64_MAX;
        remainder = 0;
        return;
    }
    std::uint64_t q = 0, r = high;
    for (int bit = 63; bit >= 0; --bit) {
        const bool carry = (r >> 63) != 0;
        r = (r << 1) | ((low >> bit) & 1u);
        q <<= 1;
        if (carry || r >= c) {
            r -= c;
            q |= 1u;
        }
    }
    quotient = q;
    remainder = r;
}

std::int64_t held(std::uint64_t value) {
    return value > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX
                                                         : static_cast<std::int64_t>(value);
}

std::int64_t nonNegative(std::int64_t value) {
    return value < 0 ? 0 : value;
}

// A byte count as the labels write it, with its cost in the cost label's format with a budget.
void formatAmount(const CapLimit& limit, std::int64_t bytes, char* out) {
    char count[kTextSize];
    formatByteCount(bytes, count, sizeof count);
    if (!limit.costs) {
        std::snprintf(out, kAmountSize, "%s", count);
        return;
    }
    char cost[kTextSize];
    formatCost(costOf(bytes, limit.price), cost, sizeof cost);
    std::snprintf(out, kAmountSize, "%s (cost %s)", count, cost);
}

const char* limitWord(const CapLimit& limit) {
    return limit.budget ? "budget" : "cap";
}

// "<used> used (<percent>%), <left> left, <daily> a day for <n> days": the tooltip's and the
// balloon's words.
int formatStanding(const CapLimit& limit, const CapFigures& figures, char* out, std::size_t size) {
    char used[kAmountSize], left[kAmountSize], daily[kAmountSize];
    formatAmount(limit, figures.used, used);
    formatAmount(limit, figures.left, left);
    formatAmount(limit, figures.daily, daily);
    return std::snprintf(out, size, "%s used (%lld%%), %s left, %s a day for %ld day%s", used,
                         static_cast<long long>(figures.percent), left, daily,
                         static_cast<long>(figures.daysLeft), figures.daysLeft == 1 ? "" : "s");
}

// The length snprintf wrote, never more than fits.
int written(int length, std::size_t size) {
    if (length < 0 || size == 0)
        return 0;
    return static_cast<std::size_t>(length) < size ? length : static_cast<int>(size - 1);
}

} // namespace

std::int64_t parseCapBytes(const char* text) {
    if (!text)
        return 0;
    while (space(*text))
        ++text;
    std::int64_t whole = 0, fraction = 0, scale = 1;
    bool digits = false, tooLarge = false;
    for (; *text >= '0' && *text <= '9'; ++text, digits = true) {
        const int digit = *text - '0';
        if (whole > (INT64_MAX - digit) / 10)
            tooLarge = true;
        else
            whole = whole * 10 + digit;
    }
    if (*text == '.')
        for (++text; *text >= '0' && *text <= '9'; ++text, digits = true)
            if (scale < kFractionScale) {
                fraction = fraction * 10 + (*text - '0');
                scale *= 10;
            }
    while (space(*text))
        ++text;
    const std::int64_t factor = *text ? unitFactor(text) : 1;
    while (space(*text))
        ++text;
    if (!digits || tooLarge || *text || factor == 0 || whole > INT64_MAX / factor)
        return 0;
    const std::int64_t part = mulDivFloor(fraction, factor, scale);
    return part > INT64_MAX - whole * factor ? 0 : whole * factor + part;
}

int normalCapWarn(int percent) {
    return percent >= 1 && percent <= 100 ? percent : 80;
}

std::int64_t mulDivFloor(std::int64_t a, std::int64_t b, std::int64_t c) {
    std::uint64_t quotient = 0, remainder = 0;
    mulDiv(static_cast<std::uint64_t>(nonNegative(a)), static_cast<std::uint64_t>(nonNegative(b)),
           static_cast<std::uint64_t>(c < 1 ? 1 : c), quotient, remainder);
    return held(quotient);
}

CapLimit capLimit(std::int64_t capBytes, double budget, double price, int warnPercent) {
    CapLimit limit{};
    limit.price = price;
    limit.warn = normalCapWarn(warnPercent);
    limit.bytes = nonNegative(capBytes);
    // A budget's figures are costs too, even where the cap is the smaller limit.
    limit.costs = budget > 0 && price > 0;
    // The bytes whose cost is the budget; as many as 2^63 could never be counted, so none.
    const double bytes = limit.costs ? std::floor(budget * 1024.0 / price + 0.5) : -1;
    if (bytes >= 0 && bytes < 9223372036854775808.0) {
        const std::int64_t budgetBytes = bytes < 1 ? 1 : static_cast<std::int64_t>(bytes);
        if (limit.bytes == 0 || budgetBytes < limit.bytes) {
            limit.bytes = budgetBytes;
            limit.budget = true;
        }
    }
    if (limit.bytes > 0) {
        // The least count whose percentage, rounded down, reaches `warn`.
        std::uint64_t quotient = 0, remainder = 0;
        mulDiv(static_cast<std::uint64_t>(limit.bytes), static_cast<std::uint64_t>(limit.warn), 100,
               quotient, remainder);
        limit.warnBytes = held(quotient + (remainder != 0 ? 1 : 0));
    }
    return limit;
}

int capLevel(const CapLimit& limit, std::int64_t used) {
    if (limit.bytes <= 0 || used < limit.warnBytes)
        return CapLevel::Below;
    return used >= limit.bytes ? CapLevel::Over : CapLevel::Warn;
}

CapFigures capFigures(const CapLimit& limit, std::int64_t used, const CapClock& clock) {
    CapFigures figures{};
    figures.used = nonNegative(used);
    if (limit.bytes <= 0)
        return figures;
    figures.percent = mulDivFloor(figures.used, 100, limit.bytes);
    figures.left = figures.used >= limit.bytes ? 0 : limit.bytes - figures.used;
    const std::int64_t daysLeft = std::int64_t{clock.last} - clock.today + 1;
    figures.daysLeft = daysLeft < 1 ? 1 : static_cast<std::int32_t>(daysLeft);
    figures.daily = figures.left / figures.daysLeft;
    const std::int64_t elapsed =
        (std::int64_t{clock.today} - clock.first) * kSecondsPerDay + clock.seconds - clock.forward;
    const std::int64_t length =
        (std::int64_t{clock.last} - clock.first + 1) * kSecondsPerDay - clock.forwardByEnd;
    figures.estimated = elapsed >= kEstimateAfter && length > 0;
    if (figures.estimated)
        figures.estimate = mulDivFloor(figures.used, length, elapsed);
    return figures;
}

int formatCapLines(const CapLimit& limit, const CapFigures& figures, const CapClock& clock,
                   char* out, std::size_t size) {
    if (size == 0)
        return 0;
    out[0] = '\0';
    if (limit.bytes <= 0)
        return 0;
    char bytes[kAmountSize];
    formatAmount(limit, limit.bytes, bytes);
    int length = written(std::snprintf(out, size, "\r\n%s %s: ", limitWord(limit), bytes), size);
    length += written(formatStanding(limit, figures, out + length, size - length), size - length);
    if (!figures.estimated)
        return length;
    char estimate[kAmountSize], over[kAmountSize + 8] = "";
    formatAmount(limit, figures.estimate, estimate);
    if (figures.estimate > limit.bytes) {
        char excess[kAmountSize];
        formatAmount(limit, figures.estimate - limit.bytes, excess);
        std::snprintf(over, sizeof over, ", %s over", excess);
    }
    const CivilDate last = civilDate(clock.last);
    length +=
        written(std::snprintf(out + length, size - length, "\r\nestimated %s by %04d-%02d-%02d%s",
                              estimate, last.year, last.month, last.day, over),
                size - length);
    return length;
}

void formatCapWarning(const CapLimit& limit, const CapFigures& figures, int level, char* title,
                      std::size_t titleSize, char* text, std::size_t textSize) {
    std::snprintf(title, titleSize, "Velnor: %d%% of the %s used",
                  level == CapLevel::Over ? 100 : static_cast<int>(limit.warn), limitWord(limit));
    formatStanding(limit, figures, text, textSize);
}

void formatCapSummary(const CapLimit& limit, const CapFigures& figures, char* out, std::size_t size,
                      bool brief) {
    char used[kTextSize], bytes[kTextSize], estimate[kTextSize];
    formatByteCount(figures.used, used, sizeof used);
    formatByteCount(limit.bytes, bytes, sizeof bytes);
    formatByteCount(figures.estimate, estimate, sizeof estimate);
    const int length =
        std::snprintf(out, size, "%s of %s%s%s (%lld%%)", used, brief ? "" : limitWord(limit),
                      brief ? "" : " ", bytes, static_cast<long long>(figures.percent));
    if (figures.estimated && length > 0 && static_cast<std::size_t>(length) < size)
        std::snprintf(out + length, size - static_cast<std::size_t>(length), ", %s %s",
                      brief ? "est." : "estimated", estimate);
}
