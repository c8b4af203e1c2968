#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "settings/price.h"

namespace {

struct PriceRow {
    std::string text;
    double expected;
};

std::string repeat(char c, std::size_t n) {
    return std::string(n, c);
}

TEST(ParsePrice, DecimalTextAndWhereItStops) {
    const double inf = std::numeric_limits<double>::infinity();
    const PriceRow rows[] = {
        {"0.05", 0.05},
        {"1e-3", 0.001},
        {"1d3", 1000.0},
        {"1D3", 1000.0},
        {"2.5E+2", 250.0},
        {"2,5", 2.0},
        {"0x10", 0.0},
        {"inf", 0.0},
        {"-inf", 0.0},
        {"infinity", 0.0},
        {"nan", 0.0},
        {"abc", 0.0},
        {"", 0.0},
        {"   \t\r\n 7.25", 7.25},
        {"-1.5", -1.5},
        {"+3", 3.0},
        {"- 3", 0.0},
        {".5", 0.5},
        {"5.", 5.0},
        {".", 0.0},
        {"-.", 0.0},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"1d-", 1.0},
        {"1ex", 1.0},
        {"12abc", 12.0},
        {"-0", 0.0},
        {"0012.500", 12.5},
        {"1e308", 1e308},
        {"1e309", inf},
        {"-1e309", -inf},
        {"4.9406564584124654e-324", 4.9406564584124654e-324},
        {"1e-400", 0.0},
        {"0.1000000000000000055511151231257827021181583404541015625", 0.1},
        // Exactly halfway between 1 and the next double: ties to even give 1 ...
        {"1.00000000000000011102230246251565404236316680908203125", 1.0},
        // ... but a non-zero digit far behind the halfway point rounds up, even when it lies
        // beyond the digits the conversion keeps.
        {"1.00000000000000011102230246251565404236316680908203125" + repeat('0', 2000) + "1",
         1.0000000000000002},
        {"1e99999999999999999999999", inf},
        {"1e-99999999999999999999999", 0.0},
        {"1" + repeat('0', 1 << 20), inf},
        {"0." + repeat('0', 1 << 20) + "1", 0.0},
        // A million leading zeros of fraction and a matching exponent: the scale is kept exact.
        {"0." + repeat('0', 1000000) + "25e1000001", 2.5},
        {repeat('9', 1 << 20) + "e-1048570", 1e6},
        {"3" + repeat('0', 1000) + "e-1000", 3.0},
    };
    for (const PriceRow& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 60));
        double value = parsePrice(row.text.c_str());
        EXPECT_EQ(value, row.expected);
        EXPECT_FALSE(std::signbit(value) && value == 0.0) << "zero comes out positive";
    }
}

TEST(ParsePrice, NullIsZero) {
    EXPECT_EQ(parsePrice(nullptr), 0.0);
}

} // namespace
