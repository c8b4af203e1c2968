#include "traffic/format.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int kSignificant = 17;
// A double's exact expansion has at most 767 significant digits; 5^1074 alone has 751.
constexpr int kExpansionMax = 800;
// Longest fixed-point cost text; beyond it the cost is written in scientific form.
constexpr int kCostFixedMax = 19;

// A non-negative decimal number: digits[0..count) with `point` digits before the decimal point
// (point may be negative or exceed count; missing digits are zeros). No leading zero digit.
struct Decimal {
    unsigned char digits[kExpansionMax];
    int count;
    int point;
};

// Multiplies the little-endian digit array by `factor`.
void multiply(unsigned char* little, int& count, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (int i = 0; i < count; ++i) {
        std::uint64_t product = std::uint64_t{little[i]} * factor + carry;
        little[i] = static_cast<unsigned char>(product % 10);
        carry = product / 10;
    }
    while (carry != 0 && count < kExpansionMax) {
        little[count++] = static_cast<unsigned char>(carry % 10);
        carry /= 10;
    }
}

// The exact decimal expansion of a finite, non-negative double.
void expand(double value, Decimal& out) {
    out.count = 0;
    out.point = 0;
    if (value == 0.0)
        return;
    int exponent = 0;
    double fraction = std::frexp(value, &exponent); // value = fraction * 2^exponent, 0.5 <= f < 1
    // 53 bits of mantissa as an integer: value = mantissa * 2^(exponent - 53).
    auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    exponent -= 53;
    while ((mantissa & 1) == 0) {
        mantissa >>= 1;
        ++exponent;
    }
    unsigned char little[kExpansionMax];
    int count = 0;
    for (; mantissa != 0; mantissa /= 10)
        little[count++] = static_cast<unsigned char>(mantissa % 10);
    int scale = 0; // digits after the decimal point
    if (exponent >= 0) {
        for (int left = exponent; left > 0; left -= 31)
            multiply(little, count, std::uint32_t{1} << (left < 31 ? left : 31));
    } else {
        // m * 2^-k = m * 5^k / 10^k
        scale = -exponent;
        for (int left = scale; left > 0; left -= 13) {
            std::uint32_t factor = 1;
            for (int i = 0; i < (left < 13 ? left : 13); ++i)
                factor *= 5;
            multiply(little, count, factor);
        }
    }
    for (int i = 0; i < count; ++i)
        out.digits[i] = little[count - 1 - i];
    out.count = count;
    out.point = count - scale;
}

// Raises the digit before `end` by one, carrying; a carry out of the first digit adds a leading 1.
void roundUp(Decimal& number, int end) {
    int i = end - 1;
    while (i >= 0 && number.digits[i] == 9) {
        number.digits[i] = 0;
        --i;
    }
    if (i >= 0) {
        ++number.digits[i];
    } else {
        std::memmove(number.digits + 1, number.digits, static_cast<std::size_t>(end));
        number.digits[0] = 1;
        ++end;
        ++number.point;
    }
    number.count = end;
}

// Keeps the digits before index `end`; the first dropped digit decides (5 to 9 round up).
void cut(Decimal& number, int end) {
    if (end >= number.count)
        return;
    if (end < 0) {
        number.count = 0; // even the first dropped digit is a leading zero
        return;
    }
    bool up = number.digits[end] >= 5;
    number.count = end;
    if (up)
        roundUp(number, end);
    while (number.count > 0 && number.digits[number.count - 1] == 0)
        --number.count;
    if (number.count == 0)
        number.point = 0;
}

int digitAt(const Decimal& number, int index) {
    return index >= 0 && index < number.count ? number.digits[index] : 0;
}

// Appends to a text that never exceeds its buffer: what does not fit is dropped.
struct Writer {
    char* out;
    std::size_t size;
    std::size_t length;

    void put(char c) {
        if (length + 1 < size)
            out[length] = c;
        ++length; // counts what would have been written
    }
    void put(const char* text) {
        for (; *text; ++text)
            put(*text);
    }
    char* finish() {
        if (size > 0)
            out[length < size ? length : size - 1] = '\0';
        return out;
    }
};

// The expansion of a finite, non-negative value to 17 significant digits.
void significant(double magnitude, Decimal& number) {
    expand(magnitude, number);
    cut(number, kSignificant);
}

// "123.456" with exactly `decimals` decimals, the rounding done on the 17-digit expansion.
void putFixed(Writer& writer, bool negative, double magnitude, int decimals) {
    Decimal number;
    significant(magnitude, number);
    cut(number, number.point + decimals);
    if (negative && number.count > 0)
        writer.put('-'); // a value that rounds to zero shows no sign
    if (number.point <= 0)
        writer.put('0');
    for (int i = 0; i < number.point; ++i)
        writer.put(static_cast<char>('0' + digitAt(number, i)));
    if (decimals > 0) {
        writer.put('.');
        for (int i = number.point; i < number.point + decimals; ++i)
            writer.put(static_cast<char>('0' + digitAt(number, i)));
    }
}

std::size_t fixedLength(bool negative, double magnitude, int decimals) {
    char scratch[1];
    Writer writer{scratch, 0, 0};
    putFixed(writer, negative, magnitude, decimals);
    return writer.length;
}

// "1.23e+300": three significant digits and an exponent of at least two digits.
void putScientific(Writer& writer, bool negative, double magnitude) {
    Decimal number;
    significant(magnitude, number);
    cut(number, 3);
    if (negative)
        writer.put('-');
    writer.put(static_cast<char>('0' + digitAt(number, 0)));
    writer.put('.');
    writer.put(static_cast<char>('0' + digitAt(number, 1)));
    writer.put(static_cast<char>('0' + digitAt(number, 2)));
    int exponent = number.count > 0 ? number.point - 1 : 0;
    writer.put('e');
    writer.put(exponent < 0 ? '-' : '+');
    if (exponent < 0)
        exponent = -exponent;
    char text[8];
    int length = 0;
    for (; exponent > 0 || length < 2; exponent /= 10)
        text[length++] = static_cast<char>('0' + exponent % 10);
    while (length > 0)
        writer.put(text[--length]);
}

} // namespace

char* formatByteCount(std::int64_t value, char* out, std::size_t size) {
    Writer writer{out, size, 0};
    if (value < 1024) {
        // Through the unsigned magnitude, so that the most negative value prints in full.
        std::uint64_t magnitude =
            value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        char text[24];
        int length = 0;
        do {
            text[length++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (value < 0)
            writer.put('-');
        while (length > 0)
            writer.put(text[--length]);
        writer.put(" B");
        return writer.finish();
    }
    auto number = static_cast<double>(value);
    if (value < 1048576) {
        putFixed(writer, false, number / 1024.0, 3);
        writer.put(" KB");
    } else if (value < 1073741824) {
        putFixed(writer, false, number / 1048576.0, 1);
        writer.put(" MB");
    } else {
        putFixed(writer, false, number / 1073741824.0, 2);
        writer.put(" GB");
    }
    return writer.finish();
}

char* formatCost(double value, char* out, std::size_t size) {
    Writer writer{out, size, 0};
    if (std::isnan(value)) {
        writer.put("nan");
    } else if (std::isinf(value)) {
        writer.put(value < 0 ? "-inf" : "inf");
    } else {
        bool negative = std::signbit(value);
        double magnitude = std::fabs(value);
        if (fixedLength(negative, magnitude, 2) <= kCostFixedMax)
            putFixed(writer, negative, magnitude, 2);
        else
            putScientific(writer, negative, magnitude);
    }
    return writer.finish();
}
