#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/keys.h"
#include "settings/price.h"
#include "unit/settings_expected.h"

namespace {

// The reading order built from its rule, not copied from the table: window keys, receive graph,
// receive label, send graph, send, both and cost labels, price, interface.
std::vector<std::string> documentedOrder() {
    std::vector<std::string> keys;
    for (const char* field : {"x", "y", "width", "height", "timer", "alphaEnabled", "alphaValue",
                              "sctEnabled", "sctColor", "alwaysOnTop", "pluginToggle", "inSlit"})
        keys.push_back(std::string("Velnor.") + field + ":");
    auto graph = [&](const char* group) {
        for (const char* field : {"x", "y", "width", "height", "color", "background"})
            keys.push_back(std::string("Velnor.") + group + "." + field + ":");
    };
    auto label = [&](const char* group) {
        for (const char* field : {"caption", "left", "right", "y", "tab_x", "tab_y", "icon"})
            keys.push_back(std::string("Velnor.") + group + "." + field + ":");
    };
    graph("receiveGraph");
    label("receiveLabel");
    graph("sendGraph");
    label("sendLabel");
    label("bothLabel");
    label("costLabel");
    keys.push_back("Velnor.price:");
    keys.push_back("Velnor.adapter:");
    return keys;
}

std::size_t fieldSize(KeyType type) {
    switch (type) {
    case KeyType::Integer:
        return sizeof(std::int32_t);
    case KeyType::Flag:
        return sizeof(bool);
    case KeyType::Colour:
        return sizeof(COLORREF);
    case KeyType::Caption:
        return kCaptionSize;
    case KeyType::Icon:
        return sizeof(HICON);
    case KeyType::Price:
        return sizeof(double);
    }
    return 0;
}

std::uint32_t colourOf(const char* text) {
    std::uint32_t rgb = static_cast<std::uint32_t>(std::strtoul(text + 1, nullptr, 16));
    return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
}

// Stores every row's default text as the shell would hand it back for a missing key.
WidgetSettings fromDefaults() {
    WidgetSettings s;
    std::memset(&s, 0xA5, sizeof s); // a field the table misses stays visibly wrong
    for (const SettingKey& row : kSettingKeys) {
        char* field = reinterpret_cast<char*>(&s) + row.offset;
        switch (row.type) {
        case KeyType::Integer: {
            std::int32_t v = std::atoi(row.defaultText);
            std::memcpy(field, &v, sizeof v);
            break;
        }
        case KeyType::Flag: {
            bool v = std::strcmp(row.defaultText, "true") == 0;
            std::memcpy(field, &v, sizeof v);
            break;
        }
        case KeyType::Colour: {
            COLORREF v = colourOf(row.defaultText);
            std::memcpy(field, &v, sizeof v);
            break;
        }
        case KeyType::Caption:
            std::strcpy(field, row.defaultText);
            break;
        case KeyType::Icon: {
            HICON v = nullptr;
            std::memcpy(field, &v, sizeof v);
            break;
        }
        case KeyType::Price: {
            double v = parsePrice(row.defaultText);
            std::memcpy(field, &v, sizeof v);
            break;
        }
        }
    }
    return s;
}

TEST(SettingKeys, ReadInTheDocumentedOrder) {
    std::vector<std::string> expected = documentedOrder();
    ASSERT_EQ(expected.size(), static_cast<std::size_t>(kSettingKeyCount));
    for (int i = 0; i < kSettingKeyCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kSettingKeys[i].key, expected[i]);
    }
}

TEST(SettingKeys, OnlyIconsHaveNoDefault) {
    for (const SettingKey& key : kSettingKeys) {
        SCOPED_TRACE(key.key);
        EXPECT_EQ(key.defaultText == nullptr, key.type == KeyType::Icon);
    }
}

TEST(SettingKeys, FieldsAreDistinctAndInsideTheRecord) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (const SettingKey& key : kSettingKeys) {
        SCOPED_TRACE(key.key);
        std::size_t size = fieldSize(key.type);
        EXPECT_LE(key.offset + size, sizeof(WidgetSettings));
        spans.emplace_back(key.offset, key.offset + size);
    }
    std::sort(spans.begin(), spans.end());
    for (std::size_t i = 1; i < spans.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_LE(spans[i - 1].second, spans[i].first) << "fields overlap";
    }
}

TEST(SettingKeys, DefaultsGiveTheDocumentedWidget) {
    expectDefaultSettings(fromDefaults());
}

} // namespace
