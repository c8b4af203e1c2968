#include "commands.h"

#include <cstdio>
#include <cstring>

#include "command_words.h"
#include "plugin/shell.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "traffic/interface_table.h"
#include "widget/window.h"

namespace {

constexpr const char* kCommandPrefix = "@Velnor.";
constexpr const char* kAboutText =
    "Velnor 0.0.4\ncreated by Velnor developers\nhttps://velnor.example/";
constexpr UINT kAboutStyle = MB_TOPMOST | MB_ICONINFORMATION;

void selectAdapterCommand(const char* number) {
    int position = 0;
    // Only a position inside the table is taken; anything else leaves the selection alone.
    if (parsePosition(number, InterfaceTable::count(), position))
        selectAdapter(position);
}

void readSettingsCommand(HWND window) {
    reload();
    applyWindowSettings(window);
}

void editSettings() {
    char editor[kPathSize] = {};
    GetKestrumEditor(editor);
    editor[kPathSize - 1] = '\0';
    // Quoted, so that a settings path with spaces reaches an editor that splits its command line
    // as one argument.
    char arguments[kPathSize + 2];
    std::snprintf(arguments, sizeof arguments, "\"%s\"", settingsPath());
    KSExecute(nullptr, nullptr, editor, arguments, nullptr, SW_SHOWNORMAL, false);
}

void showAbout(HWND window) {
    MessageBoxA(window, kAboutText, "About", kAboutStyle);
}

} // namespace

void handleBroadcast(HWND window, const char* text) {
    const CommandMatch match = matchCommand(text);
    if (match.show)
        ShowWindow(window, SW_SHOW);
    if (match.hide && widgetSettings().pluginToggle)
        ShowWindow(window, SW_HIDE);
    if (match.adapterNumber)
        selectAdapterCommand(match.adapterNumber);
    // Nothing here outlives the call, so the About box's nested message loop may run further
    // broadcasts meanwhile.
    if (match.read)
        readSettingsCommand(window);
    if (match.write)
        writeSettings();
    if (match.edit)
        editSettings();
    if (match.about)
        showAbout(window);
}

void showContextMenu() {
    Menu* mainMenu = MakeNamedMenu("Velnor", "Velnor_IDMain", true);
    Menu* adapterMenu = MakeNamedMenu("Adapter", "Velnor_IDAdapter", true);
    // The count is asked before every item: each call refreshes the table.
    for (int i = 0; i < InterfaceTable::count(); ++i) {
        char description[InterfaceTable::kDescriptionMax + 1];
        std::snprintf(description, sizeof description, "%s", InterfaceTable::description(i));
        char command[64];
        std::snprintf(command, sizeof command, "%s%s%d", kCommandPrefix, "adapter.", i);
        MakeMenuItem(adapterMenu, description, command, i == widgetSettings().adapter);
    }
    MakeSubmenu(mainMenu, adapterMenu, "Adapter");
    MakeMenuNOP(mainMenu, nullptr);
    Menu* settingsMenu = MakeNamedMenu("Settings", "Velnor_IDSettings", true);
    MakeMenuItem(settingsMenu, "read settings", "@Velnor.settings.read", false);
    MakeMenuItem(settingsMenu, "write settings", "@Velnor.settings.write", false);
    MakeMenuItem(settingsMenu, "edit settings", "@Velnor.settings.edit", false);
    MakeSubmenu(mainMenu, settingsMenu, "Settings");
    MakeMenuItem(mainMenu, "About", "@Velnor.about", false);
    ShowMenu(mainMenu);
}
