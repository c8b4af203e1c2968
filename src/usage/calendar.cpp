#include "usage/calendar.h"

namespace {

bool leapYear(std::int64_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// The day a period starts in the month: the billing day, or the month's last day before it.
std::int32_t startInMonth(int year, int month, int billingDay) {
    int last = daysInMonth(year, month);
    return dayNumber(year, month, billingDay < last ? billingDay : last);
}

} // namespace

bool validDate(int year, int month, int day) {
    return year >= kFirstYear && year <= kLastYear && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month);
}

int daysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && leapYear(year) ? 29 : kDays[month - 1];
}

// Counted in 400-year eras of 146097 days from 0000-03-01, so that the leap day ends a year; the
// arithmetic is 64-bit so that no int32 day or int year overflows on the way.
std::int32_t dayNumber(int year, int month, int day) {
    std::int64_t y = std::int64_t{year} - (month <= 2 ? 1 : 0);
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yearOfEra = y - era * 400;
    std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int32_t>(era * 146097 + dayOfEra - 719468);
}

CivilDate civilDate(std::int32_t day) {
    std::int64_t z = std::int64_t{day} + 719468;
    std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    std::int64_t dayOfEra = z - era * 146097;
    std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    std::int64_t shifted = (5 * dayOfYear + 2) / 153; // months from March
    int month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return {year, month, static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1)};
}

int normalBillingDay(int billingDay) {
    return billingDay >= 1 && billingDay <= 31 ? billingDay : 1;
}

std::int32_t periodStart(std::int32_t today, int billingDay) {
    billingDay = normalBillingDay(billingDay);
    CivilDate date = civilDate(today);
    std::int32_t start = startInMonth(date.year, date.month, billingDay);
    if (start <= today)
        return start;
    return date.month == 1 ? startInMonth(date.year - 1, 12, billingDay)
                           : startInMonth(date.year, date.month - 1, billingDay);
}

std::int32_t periodEnd(std::int32_t today, int billingDay) {
    billingDay = normalBillingDay(billingDay);
    CivilDate date = civilDate(periodStart(today, billingDay));
    std::int32_t next = date.month == 12 ? startInMonth(date.year + 1, 1, billingDay)
                                         : startInMonth(date.year, date.month + 1, billingDay);
    return next - 1;
}
