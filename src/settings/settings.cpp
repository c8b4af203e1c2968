#include "settings/settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell.h"
#include "settings/keys.h"
#include "settings/paths.h"
#include "settings/price.h"
#include "settings/reload.h"
#include "traffic/sampler.h"

namespace {

struct SettingsState {
    WidgetSettings settings;
    char pluginDirectory[kPathSize];
    char settingsPath[kPathSize];
};
SettingsState settingsState;

void copyPath(char* field, const char* path) {
    std::snprintf(field, kPathSize, "%s", path);
}

} // namespace

const WidgetSettings& widgetSettings() {
    return settingsState.settings;
}

const char* pluginDirectory() {
    return settingsState.pluginDirectory;
}

const char* settingsPath() {
    return settingsState.settingsPath;
}

void usagePath(char* out) {
    // The settings file's name with "usage" for its extension "rc": Velnor.usage beside Velnor.rc.
    const std::size_t length = std::strlen(settingsState.settingsPath);
    out[0] = '\0';
    if (length > 2 && length - 2 + 5 < static_cast<std::size_t>(kPathSize))
        std::snprintf(out, kPathSize, "%.*susage", static_cast<int>(length - 2),
                      settingsState.settingsPath);
}

void derivePaths(HINSTANCE instance) {
    // One byte more than a path may hold, so that a cut path is seen as too long.
    char modulePath[kPathSize + 1];
    DWORD length = GetModuleFileNameA(instance, modulePath, sizeof modulePath);
    if (length == 0 || length >= sizeof modulePath)
        length = 0;
    modulePath[length] = '\0';
    splitModulePath(modulePath, settingsState.pluginDirectory, settingsState.settingsPath);
}

void usePaths(const char* directory, const char* path) {
    copyPath(settingsState.pluginDirectory, directory);
    copyPath(settingsState.settingsPath, path);
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

// Asked without a default, so that a key in the file tells from an absent one: only a key that
// was there is written back unless a menu item chose an interface.
void readName(const SettingKey& row, WidgetSettings& into) {
    const char* text = ReadString(settingsPath(), row.key, nullptr);
    into.interfaceInFile = text != nullptr;
    into.interfaceChosen = false;
    std::size_t length = text ? std::strlen(text) : 0;
    if (length > static_cast<std::size_t>(kInterfaceNameSize - 1))
        length = kInterfaceNameSize - 1;
    if (length)
        std::memcpy(row.offset + reinterpret_cast<char*>(&into), text, length);
    (row.offset + reinterpret_cast<char*>(&into))[length] = '\0';
}

// The shell's text lives only until its next call: each value is copied, converted or loaded
// before the next key is read.
void readKey(const SettingKey& row, WidgetSettings& into) {
    char* field = reinterpret_cast<char*>(&into) + row.offset;
    switch (row.type) {
    case KeyType::Integer: {
        std::int32_t value = ReadInt(settingsPath(), row.key, std::atoi(row.defaultText));
        std::memcpy(field, &value, sizeof value);
        break;
    }
    case KeyType::Flag: {
        bool value = ReadBool(settingsPath(), row.key, std::strcmp(row.defaultText, "true") == 0);
        std::memcpy(field, &value, sizeof value);
        break;
    }
    case KeyType::Colour: {
        COLORREF value = ReadColor(settingsPath(), row.key, row.defaultText);
        std::memcpy(field, &value, sizeof value);
        break;
    }
    case KeyType::Caption:
        storeCaption(field, ReadString(settingsPath(), row.key, row.defaultText));
        break;
    case KeyType::Icon: {
        HICON icon = loadIcon(ReadString(settingsPath(), row.key, row.defaultText));
        std::memcpy(field, &icon, sizeof icon);
        break;
    }
    case KeyType::Price: {
        const char* text = ReadString(settingsPath(), row.key, row.defaultText);
        double value = parsePrice(text ? text : row.defaultText);
        std::memcpy(field, &value, sizeof value);
        break;
    }
    case KeyType::Period: {
        std::int32_t value = parsePeriod(ReadString(settingsPath(), row.key, row.defaultText));
        std::memcpy(field, &value, sizeof value);
        break;
    }
    case KeyType::Name:
        readName(row, into);
        break;
    }
}

} // namespace

void readSettings(WidgetSettings& into) {
    for (const SettingKey& row : kSettingKeys)
        readKey(row, into);
    for (const SettingKey& row : kLedgerKeys)
        readKey(row, into);
    for (const SettingKey& row : kInterfaceKeys)
        readKey(row, into);
}

void writeSettings() {
    const WidgetSettings& settings = settingsState.settings;
    WriteInt(settingsPath(), "Velnor.x:", settings.x);
    WriteInt(settingsPath(), "Velnor.y:", settings.y);
    WriteInt(settingsPath(), "Velnor.adapter:", settings.adapter);
}

void setPosition(int x, int y) {
    settingsState.settings.x = x;
    settingsState.settings.y = y;
}

void selectAdapter(int position) {
    settingsState.settings.adapter = position;
    TrafficSampler::resetHistory();
}

WidgetSettings installSettings(const WidgetSettings& next) {
    WidgetSettings replaced = settingsState.settings;
    settingsState.settings = next;
    // The histories and maxima of the installed graphs are the sampler's to change.
    TrafficSampler::attach(&settingsState.settings);
    return replaced;
}
