// The settings keys: one row per key, in the order they are read.
#pragma once

#include <cstddef>

enum class KeyType { Integer, Flag, Colour, Caption, Icon, Price, Period, Cap, Name };

struct SettingKey {
    const char* key; // "Velnor.receiveGraph.width:", colon included
    KeyType type;
    std::size_t offset;      // of the field in WidgetSettings
    const char* defaultText; // as the file would hold it; null for an absent icon
};

constexpr int kSettingKeyCount = 54;
extern const SettingKey kSettingKeys[kSettingKeyCount];
// The usage ledger's keys, read after the others.
constexpr int kLedgerKeyCount = 2;
extern const SettingKey kLedgerKeys[kLedgerKeyCount];
// The period's allowance, read after the ledger's.
constexpr int kCapKeyCount = 5;
extern const SettingKey kCapKeys[kCapKeyCount];

// "boot", "day" or "month" in any letter case; anything else is boot.
int parsePeriod(const char* text);

// The shown interface's identity ("Velnor.interface:"), read after the ledger's keys.
constexpr int kInterfaceKeyCount = 1;
extern const SettingKey kInterfaceKeys[kInterfaceKeyCount];

// Every table in reading order: the widget's, the ledger's, the allowance's, the interface's.
struct KeyTable {
    const SettingKey* rows;
    int count;
};
constexpr int kKeyTableCount = 4;
extern const KeyTable kKeyTables[kKeyTableCount];
