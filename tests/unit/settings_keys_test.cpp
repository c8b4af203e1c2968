#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "settings/keys.h"
#include "types.h"

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

// Every table's rows: the widget's, the ledger's, the allowance's and the interface's.
std::vector<SettingKey> allKeys() {
    std::vector<SettingKey> keys(kSettingKeys, kSettingKeys + kSettingKeyCount);
    keys.insert(keys.end(), kLedgerKeys, kLedgerKeys + kLedgerKeyCount);
    keys.insert(keys.end(), kCapKeys, kCapKeys + kCapKeyCount);
    keys.insert(keys.end(), kInterfaceKeys, kInterfaceKeys + kInterfaceKeyCount);
    return keys;
}

TEST(SettingKeys, OnlyIconsHaveNoDefault) {
    for (const SettingKey& key : allKeys()) {
        SCOPED_TRACE(key.key);
        EXPECT_EQ(key.defaultText == nullptr, key.type == KeyType::Icon);
    }
}

TEST(SettingKeys, FieldsAreDistinctAndInsideTheRecord) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (const SettingKey& key : allKeys()) {
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
