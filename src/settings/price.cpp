#include "settings/price.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// 767 significant digits decide the rounding of any double; one more sticky digit stands for
// everything cut off behind them, so the cut never changes the result.
constexpr int kSignificantDigits = 768;
// An exponent stops growing here: far beyond any count of digits, so the sum with the point's
// shift stays exact, and far below where 64 bits overflow.
constexpr std::int64_t kExponentSaturation = 1000000000000000LL;
// Beyond this decimal scale every kept mantissa overflows or underflows.
constexpr std::int64_t kScaleLimit = 100000;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

struct Digits {
    char text[kSignificantDigits + 2];
    int count = 0;
    bool cut = false; // a non-zero digit beyond the kept ones
    std::int64_t pointShift = 0;

    // Leading zeros are dropped so that only significant digits count against the limit.
    void take(char digit, bool beforePoint) {
        if (count == 0 && digit == '0') {
            if (!beforePoint)
                --pointShift;
            return;
        }
        if (beforePoint)
            ++pointShift;
        if (count < kSignificantDigits)
            text[count++] = digit;
        else if (digit != '0')
            cut = true;
    }
};

} // namespace

double parsePrice(const char* text) {
    if (!text)
        return 0.0;
    const char* p = text;
    while (isSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';

    Digits digits;
    bool anyDigit = false;
    for (; isDigit(*p); ++p) {
        anyDigit = true;
        digits.take(*p, true);
    }
    if (*p == '.') {
        ++p;
        for (; isDigit(*p); ++p) {
            anyDigit = true;
            digits.take(*p, false);
        }
    }
    if (!anyDigit)
        return 0.0;

    std::int64_t exponent = 0;
    if (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D') {
        const char* q = p + 1;
        bool negativeExponent = false;
        if (*q == '+' || *q == '-')
            negativeExponent = *q++ == '-';
        // Without a digit the letter is not part of the number: "1e" is 1.
        for (; isDigit(*q); ++q)
            if (exponent < kExponentSaturation)
                exponent = exponent * 10 + (*q - '0');
        if (negativeExponent)
            exponent = -exponent;
    }
    if (digits.count == 0)
        return 0.0;
    if (digits.cut)
        digits.text[digits.count++] = '1';
    digits.text[digits.count] = '\0';

    // The value is 0.DIGITS x 10^pointShift x 10^exponent, written for strtod as an integer
    // mantissa with an exponent: no decimal point, so no locale can misread it.
    std::int64_t scale = digits.pointShift + exponent - digits.count;
    if (scale > kScaleLimit)
        scale = kScaleLimit;
    if (scale < -kScaleLimit)
        scale = -kScaleLimit;
    char normalised[kSignificantDigits + 32];
    std::snprintf(normalised, sizeof normalised, "%s%se%ld", negative ? "-" : "", digits.text,
                  static_cast<long>(scale));
    double value = std::strtod(normalised, nullptr);
    return value == 0.0 ? 0.0 : value;
}
