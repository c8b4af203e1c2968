#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/text_setting.h"
#include "settings_syntax.h"

namespace {

using namespace std::string_literals;

struct FindRow {
    const char* name;
    std::string file;
    const char* key;
    bool found;
    std::string value;
};

TEST(FindSetting, LinesKeysAndValues) {
    const std::string longLine(1 << 20, 'j');
    const FindRow rows[] = {
        {"plain", "Velnor.x: 120\n", "Velnor.x:", true, "120"},
        {"case of the key", "VELNOR.X: 7\n", "velnor.x:", true, "7"},
        {"first match wins", "Velnor.x: 1\nVelnor.x: 2\n", "Velnor.x:", true, "1"},
        {"bang comment", "! Velnor.x: 1\nVelnor.x: 2\n", "Velnor.x:", true, "2"},
        {"hash comment", "  # Velnor.x: 1\nVelnor.x: 2\n", "Velnor.x:", true, "2"},
        {"commented only", "#Velnor.x: 1\n", "Velnor.x:", false, ""},
        {"blanks around", "  \tVelnor.x: \t 5 \t\r\n", "Velnor.x:", true, "5"},
        {"crlf", "a: 1\r\nVelnor.x: 9\r\nb: 2\r\n", "Velnor.x:", true, "9"},
        {"no final newline", "a: 1\nVelnor.x: 42", "Velnor.x:", true, "42"},
        {"carriage return at the end", "Velnor.x: 42\r", "Velnor.x:", true, "42"},
        {"empty value", "Velnor.x:\n", "Velnor.x:", true, ""},
        {"no blank after colon", "Velnor.x:3\n", "Velnor.x:", true, "3"},
        {"longer key is another key", "Velnor.xy: 1\n", "Velnor.x:", false, ""},
        {"colon belongs to the key", "Velnor.x 1\n", "Velnor.x:", false, ""},
        {"key inside a line", "other Velnor.x: 1\n", "Velnor.x:", false, ""},
        {"binary junk", "\x01\xFF\xFE\x00\x7F junk\n\x00\x00\nVelnor.x: 8\n"s, "Velnor.x:", true,
         "8"},
        {"zero bytes in the value", "Velnor.t: a\0b\n"s, "Velnor.t:", true, "a\0b"s},
        {"megabyte line before", longLine + "\nVelnor.x: 6\n", "Velnor.x:", true, "6"},
        {"megabyte value", "Velnor.t: " + longLine + "\n", "Velnor.t:", true, longLine},
        {"key at the very end", "Velnor.x:", "Velnor.x:", true, ""},
        {"cut key at the end", "Velnor.", "Velnor.x:", false, ""},
        {"empty file", "", "Velnor.x:", false, ""},
        {"empty key", "Velnor.x: 1\n", "", false, ""},
    };
    for (const FindRow& row : rows) {
        SCOPED_TRACE(row.name);
        SettingValue value{};
        bool found = findSetting(row.file.data(), row.file.size(), row.key, value);
        EXPECT_EQ(found, row.found);
        if (found && row.found) {
            EXPECT_EQ(row.file.substr(value.begin, value.end - value.begin), row.value);
        }
    }
}

struct IntRow {
    const char* text;
    bool ok;
    std::int32_t value;
};

TEST(ParseSettingInt, WholeDecimalIntegersOnly) {
    const IntRow rows[] = {
        {"0", true, 0},
        {"120", true, 120},
        {"-5", true, -5},
        {"+7", true, 7},
        {"007", true, 7},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999999999", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"12a", false, 0},
        {"1 2", false, 0},
        {"0x10", false, 0},
        {"1.5", false, 0},
    };
    for (const IntRow& row : rows) {
        SCOPED_TRACE(row.text);
        std::int32_t value = 12345;
        bool ok = parseSettingInt(row.text, std::strlen(row.text), value);
        EXPECT_EQ(ok, row.ok);
        EXPECT_EQ(value, row.ok ? row.value : 12345) << "a failed parse leaves the value";
    }
}

TEST(ParseSettingBool, TrueAndFalseInAnyCase) {
    const struct {
        const char* text;
        bool ok, value;
    } rows[] = {
        {"true", true, true}, {"False", true, false},  {"TRUE", true, true}, {"yes", false, false},
        {"1", false, false},  {"truex", false, false}, {"", false, false},   {"fals", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        bool value = !row.value;
        EXPECT_EQ(parseSettingBool(row.text, std::strlen(row.text), value), row.ok);
        if (row.ok) {
            EXPECT_EQ(value, row.value);
        }
    }
}

TEST(ParseSettingColor, HashAndSixHexDigits) {
    const struct {
        const char* text;
        bool ok;
        std::uint32_t value;
    } rows[] = {
        {"#FFFFFF", true, 0xFFFFFF},
        {"#000000", true, 0},
        {"#FF0000", true, 0x0000FF},
        {"#00ff00", true, 0x00FF00},
        {"#0000Ff", true, 0xFF0000},
        {"#123456", true, 0x563412},
        {"123456", false, 0},
        {"#12345", false, 0},
        {"#1234567", false, 0},
        {"#12345G", false, 0},
        {"", false, 0},
        {"#", false, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        std::uint32_t value = 0xDEAD;
        EXPECT_EQ(parseSettingColor(row.text, std::strlen(row.text), value), row.ok);
        EXPECT_EQ(value, row.ok ? row.value : 0xDEAD);
    }
}

struct WriteRow {
    const char* name;
    std::string before;
    const char* key;
    std::string after;
};

TEST(PlanSettingWrite, ChangesOnlyTheValueOrAppendsOneLine) {
    const WriteRow rows[] = {
        {"replace keeps the rest", "! mine\nVelnor.x: 1\nfoo: bar\n",
         "Velnor.x:", "! mine\nVelnor.x: 77\nfoo: bar\n"},
        {"key as written stays", "  VELNOR.X:\t\t1  \r\nz: 1\r\n",
         "Velnor.x:", "  VELNOR.X:\t\t77\r\nz: 1\r\n"},
        {"only the first match", "Velnor.x: 1\nVelnor.x: 2\n",
         "Velnor.x:", "Velnor.x: 77\nVelnor.x: 2\n"},
        {"comment is not a key", "# Velnor.x: 1\n", "Velnor.x:", "# Velnor.x: 1\nVelnor.x: 77\n"},
        {"last line without newline", "a: 1\nVelnor.x: 1", "Velnor.x:", "a: 1\nVelnor.x: 77"},
        {"empty value", "Velnor.x:\n", "Velnor.x:", "Velnor.x:77\n"},
        {"append in the file's ending", "a: 1\r\nb: 2\r\n",
         "Velnor.y:", "a: 1\r\nb: 2\r\nVelnor.y: 77\r\n"},
        {"append after a last line without newline", "a: 1\nb: 2",
         "Velnor.y:", "a: 1\nb: 2\nVelnor.y: 77\n"},
        {"new file", "", "Velnor.y:", "Velnor.y: 77\r\n"},
        {"junk kept", "\x00\xFF\n\x01\x02"s, "Velnor.y:", "\x00\xFF\n\x01\x02\nVelnor.y: 77\n"s},
    };
    for (const WriteRow& row : rows) {
        SCOPED_TRACE(row.name);
        SettingEdit edit = planSettingWrite(row.before.data(), row.before.size(), row.key, "77");
        ASSERT_LE(edit.begin, edit.end);
        ASSERT_LE(edit.end, row.before.size());
        std::string after =
            row.before.substr(0, edit.begin) + edit.text + row.before.substr(edit.end);
        EXPECT_EQ(after, row.after);
    }
}

// The widget's own text write, read back by the shell: the new line holds the value and the line
// before it keeps its own.
TEST(PlanTextSetting, AppendLeavesTheLastLineAsTheShellReadsIt) {
    const char* const files[] = {"Velnor.x: 5", "Velnor.x: 5\r", "a: 1\r\nVelnor.x: 5\r"};
    for (const std::string before : files) {
        SCOPED_TRACE(before);
        const TextSettingEdit edit = planTextSetting(before.data(), before.size(), "Velnor.if:");
        const std::string after = before.substr(0, edit.begin) + edit.lead + "Velnor.if: eth0" +
                                  edit.ending + before.substr(edit.end);
        SettingValue x{}, name{};
        ASSERT_TRUE(findSetting(after.data(), after.size(), "Velnor.x:", x));
        EXPECT_EQ(after.substr(x.begin, x.end - x.begin), "5");
        ASSERT_TRUE(findSetting(after.data(), after.size(), "Velnor.if:", name));
        EXPECT_EQ(after.substr(name.begin, name.end - name.begin), "eth0");
    }
}

} // namespace
