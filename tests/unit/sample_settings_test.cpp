// The shipped settings samples against the key table: the documented file holds every key with
// its default in reading order, and no sample names a key the widget does not read.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/keys.h"
#include "unit/settings_expected.h"

namespace {

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    FILE* in = std::fopen(path.c_str(), "rb");
    if (!in)
        return lines;
    std::string line;
    for (int c; (c = std::fgetc(in)) != EOF;) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += static_cast<char>(c);
        }
    }
    if (!line.empty())
        lines.push_back(line);
    std::fclose(in);
    return lines;
}

const SettingKey* findKey(const std::string& key) {
    for (const SettingKey* row : everySettingKey())
        if (key == row->key)
            return row;
    return nullptr;
}

// "Velnor.x: 100" -> key "Velnor.x:", value "100"; false for comments and other lines.
bool splitSetting(const std::string& line, std::string& key, std::string& value) {
    const size_t colon = line.find(':');
    if (line.compare(0, 7, "Velnor.") != 0 || colon == std::string::npos)
        return false;
    key = line.substr(0, colon + 1);
    const size_t start = line.find_first_not_of(' ', colon + 1);
    value = start == std::string::npos ? "" : line.substr(start);
    return true;
}

TEST(SampleSettings, DocumentsEveryKeyWithItsDefaultInReadingOrder) {
    const std::vector<std::string> lines = readLines(VELNOR_SAMPLES "/Velnor.rc");
    ASSERT_FALSE(lines.empty());
    const std::vector<const SettingKey*> keys = everySettingKey();
    std::size_t next = 0;
    for (const std::string& line : lines) {
        // Keys without a default value (captions, icons) are shown commented out with an example.
        const bool commented = line.compare(0, 2, "! ") == 0;
        std::string key, value;
        if (!splitSetting(commented ? line.substr(2) : line, key, value))
            continue;
        SCOPED_TRACE(line);
        ASSERT_LT(next, keys.size());
        const SettingKey& row = *keys[next++];
        EXPECT_EQ(key, row.key);
        const bool hasDefault = row.defaultText != nullptr && *row.defaultText != '\0';
        EXPECT_EQ(commented, !hasDefault);
        if (!commented) {
            EXPECT_EQ(value, row.defaultText);
        }
    }
    EXPECT_EQ(next, keys.size());
}

TEST(SampleSettings, TheDemoLayoutNamesOnlyKnownKeys) {
    const std::vector<std::string> lines = readLines(VELNOR_SAMPLES "/demo.rc");
    ASSERT_FALSE(lines.empty());
    int settings = 0;
    for (const std::string& line : lines) {
        std::string key, value;
        if (!splitSetting(line, key, value))
            continue;
        SCOPED_TRACE(line);
        ++settings;
        EXPECT_NE(findKey(key), nullptr);
        EXPECT_FALSE(value.empty());
    }
    EXPECT_GT(settings, 0);
}

} // namespace
