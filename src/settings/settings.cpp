#include "settings/settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell.h"
#include "settings/cap.h"
#include "settings/keys.h"
#include "settings/paths.h"
#include "settings/price.h"
#include "settings/reload.h"
#include "settings/text_setting.h"
#include "traffic/sampler.h"
#include "usage/whole_file.h"

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

// A text field of `size` bytes, cut to fit; null is empty.
void storeText(char* field, std::size_t size, const char* text) {
    std::size_t length = text ? std::strlen(text) : 0;
    if (length > size - 1)
        length = size - 1;
    if (length)
        std::memcpy(field, text, length);
    field[length] = '\0';
}

// Asked without a default, so that a key in the file tells from an absent one: only a key that
// was there is written back unless a menu item chose an interface. A value longer than the field
// is not: written back cut, the user's line would lose its end.
void readName(const SettingKey& row, char* field, WidgetSettings& into) {
    const char* text = ReadString(settingsPath(), row.key, nullptr);
    into.interfaceInFile = text != nullptr && std::strlen(text) < kInterfaceNameSize;
    into.interfaceChosen = false;
    storeText(field, kInterfaceNameSize, text);
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
        storeText(field, kCaptionSize, ReadString(settingsPath(), row.key, row.defaultText));
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
    case KeyType::Cap: {
        std::int64_t value = parseCapBytes(ReadString(settingsPath(), row.key, row.defaultText));
        std::memcpy(field, &value, sizeof value);
        break;
    }
    case KeyType::Period: {
        std::int32_t value = parsePeriod(ReadString(settingsPath(), row.key, row.defaultText));
        std::memcpy(field, &value, sizeof value);
        break;
    }
    case KeyType::Name:
        readName(row, field, into);
        break;
    }
}

// The shell writes numbers only: the text goes into a new file beside the old one, moved over it
// in one step, every other byte as it was. A read-only file is left alone, as the shell leaves it.
void writeInterfaceName(const char* value) {
    const char* path = settingsPath();
    const DWORD attributes = GetFileAttributesA(path);
    if (!*path || (attributes != INVALID_FILE_ATTRIBUTES &&
                   (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))))
        return;
    // A file there but unreadable is left alone: what replaced it would hold this one line only.
    std::size_t size = 0;
    DWORD error = 0;
    char* data = readWholeFile(path, 0x7FFFFFFE, size, error);
    if (data == nullptr && error != ERROR_FILE_NOT_FOUND)
        return;
    const char* key = kInterfaceKeys[0].key;
    const TextSettingEdit edit = planTextSetting(data ? data : "", size, key);
    const FilePart parts[] = {
        {data, edit.begin},
        {edit.lead, std::strlen(edit.lead)},
        {key, edit.withKey ? std::strlen(key) : 0},
        {" ", edit.withKey ? 1u : 0u},
        {value, std::strcspn(value, "\r\n")},
        {edit.ending, std::strlen(edit.ending)},
        {data + edit.end, size - edit.end},
    };
    replaceFile(path, parts, sizeof parts / sizeof *parts, error);
    std::free(data);
}

} // namespace

void readSettings(WidgetSettings& into) {
    for (const KeyTable& table : kKeyTables)
        for (int row = 0; row < table.count; ++row)
            readKey(table.rows[row], into);
}

bool settingsFileUnreadable() {
    const char* path = settingsPath();
    if (!*path)
        return false;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

void writeSettings() {
    const WidgetSettings& settings = settingsState.settings;
    WriteInt(settingsPath(), "Velnor.x:", settings.x);
    WriteInt(settingsPath(), "Velnor.y:", settings.y);
    WriteInt(settingsPath(), "Velnor.adapter:", settings.adapter);
    if (settings.interfaceInFile || settings.interfaceChosen)
        writeInterfaceName(settings.interfaceName);
}

void chooseInterface(const char* name, int position) {
    WidgetSettings& settings = settingsState.settings;
    std::snprintf(settings.interfaceName, sizeof settings.interfaceName, "%s", name);
    settings.interfaceChosen = true;
    if (position >= 0)
        settings.adapter = position;
    TrafficSampler::resetHistory();
}

void keepTimerPeriod(int period) {
    settingsState.settings.timer = period;
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
