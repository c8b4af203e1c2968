#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "settings/keys.h"
#include "types.h"
#include "unit/settings_expected.h"

namespace {

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
    case KeyType::Period:
        return sizeof(std::int32_t);
    case KeyType::Cap:
        return sizeof(std::int64_t);
    case KeyType::Name:
        return kInterfaceNameSize;
    }
    return 0;
}

TEST(SettingKeys, OnlyIconsHaveNoDefault) {
    for (const SettingKey* row : everySettingKey()) {
        const SettingKey& key = *row;
        SCOPED_TRACE(key.key);
        EXPECT_EQ(key.defaultText == nullptr, key.type == KeyType::Icon);
    }
}

TEST(SettingKeys, FieldsAreDistinctAndInsideTheRecord) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (const SettingKey* row : everySettingKey()) {
        const SettingKey& key = *row;
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

} // namespace
