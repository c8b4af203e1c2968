// The ledger's calendar: dates as day numbers (0 = 1970-01-01, proleptic Gregorian) and the
// billing period that contains a day. Win32-free.
#pragma once

#include <cstdint>

struct CivilDate {
    int year, month, day;
};

// The years the ledger and its file hold: four digits.
constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;

bool validDate(int year, int month, int day); // a real date of the years above
int daysInMonth(int year, int month);         // 0 for a month outside 1..12
std::int32_t dayNumber(int year, int month, int day);
CivilDate civilDate(std::int32_t day);

// The day of the month a billing period starts; outside 1..31 it is 1.
int normalBillingDay(int billingDay);
// First and last day of the billing period that contains `today`. A billing day past a month's end
// starts that month's period on its last day.
std::int32_t periodStart(std::int32_t today, int billingDay);
std::int32_t periodEnd(std::int32_t today, int billingDay);
