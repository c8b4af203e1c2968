#include <climits>

#include <gtest/gtest.h>

#include "plugin/command_words.h"

namespace {

struct PositionCase {
    const char* text;
    int count;
    bool taken;
    int position; // when taken
};

const PositionCase kPositionCases[] = {
    {"0", 3, true, 0},
    {"2", 3, true, 2},
    {"12", 13, true, 12},
    {"12 and more", 13, true, 12},
    {"1settings.write", 2, true, 1},
    {"007", 8, true, 7},
    {"2147483646", INT_MAX, true, 2147483646},
    {"3", 3, false, 0},
    {"12", 12, false, 0},
    {"2147483647", INT_MAX, false, 0},
    {"0", 0, false, 0},
    {"0", -1, false, 0},
    {"-1", 3, false, 0},
    {"+1", 3, false, 0},
    {" 1", 3, false, 0},
    {"", 3, false, 0},
    {"x1", 3, false, 0},
    {"one", 3, false, 0},
    // Wrap to 0 and 1 in 32 bits, and far beyond 64 bits.
    {"4294967296", 3, false, 0},
    {"4294967297", 3, false, 0},
    {"99999999999999999999999", INT_MAX, false, 0},
};

TEST(ParsePosition, TakesOnlyAPlainDecimalBelowTheCount) {
    for (const PositionCase& c : kPositionCases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << "\" count " << c.count);
        int position = -42;
        EXPECT_EQ(parsePosition(c.text, c.count, position), c.taken);
        EXPECT_EQ(position, c.taken ? c.position : -42);
    }
}

TEST(ParsePosition, NullTextIsNotAPosition) {
    int position = -42;
    EXPECT_FALSE(parsePosition(nullptr, 3, position));
    EXPECT_EQ(position, -42);
}

} // namespace
