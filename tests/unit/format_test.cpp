#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "traffic/format.h"

namespace {

std::string byteCount(std::int64_t value) {
    char text[kTextSize];
    return formatByteCount(value, text, sizeof text);
}

std::string cost(double value) {
    char text[kTextSize];
    return formatCost(value, text, sizeof text);
}

TEST(FormatByteCount, UnitsThresholdsAndHalves) {
    struct Row {
        std::int64_t value;
        const char* text;
    };
    const Row rows[] = {
        {0, "0 B"},
        {1023, "1023 B"},
        {-5, "-5 B"},
        {-1048576, "-1048576 B"}, // negative values never take a unit
        {1024, "1.000 KB"},
        {1536, "1.500 KB"},
        {1088, "1.063 KB"}, // 1.0625: an exact half goes away from zero
        {1048575, "1023.999 KB"},
        {1048576, "1.0 MB"},
        {1310720, "1.3 MB"}, // 1.25
        {1101004, "1.0 MB"}, // 1.0499992...: only the first dropped digit counts
        {1073741823, "1024.0 MB"},
        {1073741824, "1.00 GB"},
        {1207959552, "1.13 GB"}, // 1.125
        {5368709120, "5.00 GB"},
        {1073741824LL * 1000 - 1, "1000.00 GB"},
        {std::numeric_limits<std::int64_t>::max(), "8589934592.00 GB"},
        {std::numeric_limits<std::int64_t>::min(), "-9223372036854775808 B"}, // the longest
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(byteCount(row.value), row.text);
        EXPECT_LT(std::strlen(row.text) + 2, kTextSize); // a caption adds "/s"
    }
}

TEST(FormatCost, TwoDecimalsRoundedOnTheDecimalExpansion) {
    struct Row {
        double value;
        const char* text;
    };
    const Row rows[] = {
        {0.0, "0.00"},
        {-0.0, "0.00"},
        {2.0, "2.00"},
        {1234.5678, "1234.57"},
        {0.125, "0.13"}, // exact binary half
        {2.675, "2.67"}, // 2.67499999999999982...: below the half
        {0.994, "0.99"},
        {0.995, "1.00"}, // 0.994999999999999995559...: its 17 digits end in 5
        {99.999, "100.00"},
        {-0.125, "-0.13"}, // halves go away from zero on the negative side too
        {-1.005, "-1.00"},
        {-0.004, "0.00"}, // no sign on a value that shows as zero
        {1e-300, "0.00"},
        {4.9406564584124654e-324, "0.00"},           // the smallest denormal
        {9999999999999998.0, "9999999999999998.00"}, // the longest fixed text, 19 characters
        {999999999999999.9, "999999999999999.88"},   // 16 integer digits still fit fixed
        {1e16, "1.00e+16"},
        {-1e15, "-1.00e+15"},
        {1e300, "1.00e+300"},
        {-1e300, "-1.00e+300"},
        {1.7976931348623157e308, "1.80e+308"},
        {9.995e20, "1.00e+21"},
        {std::numeric_limits<double>::infinity(), "inf"},
        {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(cost(row.value), row.text);
    }
}

// Every text is cut to the buffer and terminated, and nothing past `size` is touched.
TEST(Format, TinyBuffersAreNeverOverrun) {
    struct Row {
        bool isCost;
        std::int64_t bytes;
        double value;
        const char* full;
    };
    const Row rows[] = {
        {false, 1536, 0, "1.500 KB"},
        {false, std::numeric_limits<std::int64_t>::min(), 0, "-9223372036854775808 B"},
        {true, 0, -1e300, "-1.00e+300"},
        {true, 0, 1234.5678, "1234.57"},
    };
    for (const Row& row : rows) {
        for (std::size_t size = 0; size <= std::strlen(row.full) + 2; ++size) {
            SCOPED_TRACE(std::string(row.full) + " in " + std::to_string(size));
            char buffer[40];
            std::memset(buffer, '#', sizeof buffer);
            char* result = row.isCost ? formatCost(row.value, buffer, size)
                                      : formatByteCount(row.bytes, buffer, size);
            EXPECT_EQ(result, buffer);
            for (std::size_t i = size; i < sizeof buffer; ++i)
                ASSERT_EQ(buffer[i], '#') << "byte " << i;
            if (size == 0)
                continue;
            std::size_t kept = std::min(size - 1, std::strlen(row.full));
            EXPECT_EQ(std::string(buffer), std::string(row.full, kept));
        }
    }
}

// The split conversion rounds as the plain one: next to every power of two (the halves' edges,
// 2^53's ties), at both ends of the range, and across magnitudes.
TEST(CountAsDouble, RoundsAsThePlainConversion) {
    std::vector<std::int64_t> counts = {INT64_MAX, INT64_MIN};
    for (int bit = 0; bit < 63; ++bit)
        for (std::int64_t near : {-3, -1, 0, 1, 3})
            counts.insert(counts.end(), {(1LL << bit) + near, -(1LL << bit) + near});
    std::uint64_t state = 88172645463325252ULL;
    for (int i = 0; i < 4096; ++i) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        counts.push_back(static_cast<std::int64_t>(state) >> (i % 64));
    }
    for (std::int64_t count : counts)
        ASSERT_EQ(countAsDouble(count), static_cast<double>(count)) << count;
}

} // namespace
