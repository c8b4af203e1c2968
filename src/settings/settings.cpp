#include "settings/settings.h"

#include <cstdlib>
#include <cstring>

#include "shell.h"
#include "settings/keys.h"
#include "settings/paths.h"
#include "settings/price.h"
#include "settings/reload.h"

WidgetSettings widgetSettings;
char pluginDirectory[kPathSize];
char settingsPath[kPathSize];

void derivePaths(HINSTANCE instance) {
    // One byte more than a path may hold, so that a cut path is seen as too long.
    char modulePath[kPathSize + 1];
    DWORD length = GetModuleFileNameA(instance, modulePath, sizeof modulePath);
    if (length == 0 || length >= sizeof modulePath)
        length = 0;
    modulePath[length] = '\0';
    splitModulePath(modulePath, pluginDirectory, settingsPath);
}

namespace {

void storeCaption(char* field, const char* text) {
    std::size_t length = text ? std::strlen(text) : 0;
    if (length > static_cast<std::size_t>(kCaptionSize - 1))
        length = kCaptionSize - 1;
    if (length)
        std::memcpy(field, text, length);
    field[length] = '\0';
}

// The shell's text lives only until its next call: each value is copied, converted or loaded
// before the next key is read.
void readKey(const SettingKey& row, WidgetSettings& into) {
    char* field = reinterpret_cast<char*>(&into) + row.offset;
    switch (row.type) {
    case KeyType::Integer: {
        std::int32_t value = ReadInt(settingsPath, row.key, std::atoi(row.defaultText));
        std::memcpy(field, &value, sizeof value);
        break;
    }
    case KeyType::Flag: {
        bool value = ReadBool(settingsPath, row.key, std::strcmp(row.defaultText, "true") == 0);
        std::memcpy(field, &value, sizeof value);
        break;
    }
    case KeyType::Colour: {
        COLORREF value = ReadColor(settingsPath, row.key, row.defaultText);
        std::memcpy(field, &value, sizeof value);
        break;
    }
    case KeyType::Caption:
        storeCaption(field, ReadString(settingsPath, row.key, row.defaultText));
        break;
    case KeyType::Icon: {
        HICON icon = loadIcon(ReadString(settingsPath, row.key, row.defaultText));
        std::memcpy(field, &icon, sizeof icon);
        break;
    }
    case KeyType::Price: {
        const char* text = ReadString(settingsPath, row.key, row.defaultText);
        double value = parsePrice(text ? text : row.defaultText);
        std::memcpy(field, &value, sizeof value);
        break;
    }
    }
}

} // namespace

void readSettings(WidgetSettings& into) {
    for (const SettingKey& row : kSettingKeys)
        readKey(row, into);
}

void writeSettings() {
    WriteInt(settingsPath, "Velnor.x:", widgetSettings.x);
    WriteInt(settingsPath, "Velnor.y:", widgetSettings.y);
    WriteInt(settingsPath, "Velnor.adapter:", widgetSettings.adapter);
}
