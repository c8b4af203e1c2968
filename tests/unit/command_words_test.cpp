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

struct MatchCase {
    const char* text;
    bool show, hide;
    const char* adapterNumber; // null when the adapter word is absent
    bool read, write, edit, about;
};

const MatchCase kMatchCases[] = {
    {"@KSShowPlugins", true, false, nullptr, false, false, false, false},
    {"@KSHidePlugins", false, true, nullptr, false, false, false, false},
    // Whole texts only for the shell's words; letter case always counts.
    {"@KSShowPlugins ", false, false, nullptr, false, false, false, false},
    {"@KSHidePluginsX", false, false, nullptr, false, false, false, false},
    {"@ksshowplugins", false, false, nullptr, false, false, false, false},
    {"@Velnor.adapter.12", false, false, "12", false, false, false, false},
    {"@Velnor.adapter.", false, false, "", false, false, false, false},
    {"@Velnor.settings.read", false, false, nullptr, true, false, false, false},
    {"@Velnor.settings.readable", false, false, nullptr, true, false, false, false},
    {"@Velnor.settings.write", false, false, nullptr, false, true, false, false},
    {"@Velnor.settings.edit", false, false, nullptr, false, false, true, false},
    {"@Velnor.about now", false, false, nullptr, false, false, false, true},
    {"@Velnor.About", false, false, nullptr, false, false, false, false},
    {"@velnor.about", false, false, nullptr, false, false, false, false},
    {"@Velnor.settings", false, false, nullptr, false, false, false, false},
    {"Velnor.about", false, false, nullptr, false, false, false, false},
    {"", false, false, nullptr, false, false, false, false},
    // After the adapter word the other words are tried on what follows it.
    {"@Velnor.adapter.settings.write", false, false, "settings.write", false, true, false, false},
    {"@Velnor.adapter.about", false, false, "about", false, false, false, true},
};

TEST(MatchCommand, FindsEachWordAsTheBroadcastVocabularySaysAndNothingElse) {
    for (const MatchCase& c : kMatchCases) {
        SCOPED_TRACE(testing::Message() << '"' << c.text << '"');
        const CommandMatch m = matchCommand(c.text);
        EXPECT_EQ(m.show, c.show);
        EXPECT_EQ(m.hide, c.hide);
        if (c.adapterNumber)
            EXPECT_STREQ(m.adapterNumber, c.adapterNumber);
        else
            EXPECT_EQ(m.adapterNumber, nullptr);
        EXPECT_EQ(m.read, c.read);
        EXPECT_EQ(m.write, c.write);
        EXPECT_EQ(m.edit, c.edit);
        EXPECT_EQ(m.about, c.about);
    }
}

TEST(MatchCommand, NullTextAsksForNothing) {
    const CommandMatch m = matchCommand(nullptr);
    EXPECT_FALSE(m.show || m.hide || m.adapterNumber || m.read || m.write || m.edit || m.about);
}

} // namespace
