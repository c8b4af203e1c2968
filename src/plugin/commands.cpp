#include "commands.h"

#include <cstdio>
#include <cstring>

#include "command_words.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "shell.h"
#include "traffic/interface_choice.h"
#include "traffic/interface_table.h"
#include "traffic/sampler.h"
#include "usage/keeper.h"
#include "velnor_version.h"
#include "widget/usage_window.h"
#include "widget/window.h"

namespace {

constexpr const char* kAboutText =
    "Velnor " VELNOR_VERSION "\ncreated by Velnor developers\nhttps://velnor.example/";
constexpr UINT kAboutStyle = MB_TOPMOST | MB_ICONINFORMATION;
constexpr char kAdapterWord[] = "adapter.";

void showWidget(HWND window, const char*) {
    ShowWindow(window, SW_SHOW);
}

void hideWidget(HWND window, const char*) {
    if (widgetSettings().pluginToggle)
        ShowWindow(window, SW_HIDE);
}

// Once "Velnor.interface:" is in use, a numbered item names its row's interface by identity:
// its GUID, or its description where the system gives none. A row without a reading (the query
// failed just now, or it lies past the rows read) is named by its description too, so that the
// click is never lost.
void selectByIdentity(int position) {
    int count = 0;
    const RowCounters* rows = InterfaceTable::readEveryRow(count);
    char name[kInterfaceNameSize];
    if (position < count && rows[position].hasGuid)
        formatGuid(rows[position].guid, name, sizeof name);
    else
        std::snprintf(name, sizeof name, "%s", InterfaceTable::rowDescription(position));
    chooseInterface(name, position);
}

void selectAdapterCommand(HWND, const char* number) {
    int position = 0;
    // Only a position inside the table is taken; anything else leaves the selection alone.
    if (parsePosition(number, InterfaceTable::count(), position)) {
        const WidgetSettings& settings = widgetSettings();
        if (settings.interfaceName[0] == '\0' && !settings.interfaceChosen)
            selectAdapter(position);
        else
            selectByIdentity(position);
        refreshUsageWindow();
    }
}

void automaticCommand(HWND, const char*) {
    chooseInterface("auto", -1);
    refreshUsageWindow();
}

void allInterfacesCommand(HWND, const char*) {
    chooseInterface("all", -1);
    refreshUsageWindow();
}

void readSettingsCommand(HWND window, const char*) {
    reload();
    applyWindowSettings(window);
}

void writeSettingsCommand(HWND, const char*) {
    writeSettings();
}

void editSettings(HWND, const char*) {
    char editor[kPathSize] = {};
    GetKestrumEditor(editor);
    editor[kPathSize - 1] = '\0';
    // Quoted, so that a settings path with spaces reaches an editor that splits its command line
    // as one argument.
    char arguments[kPathSize + 2];
    std::snprintf(arguments, sizeof arguments, "\"%s\"", settingsPath());
    KSExecute(nullptr, nullptr, editor, arguments, nullptr, SW_SHOWNORMAL, false);
}

// Without a ledger there is nothing to show: the command does nothing.
void toggleUsage(HWND, const char*) {
    if (UsageKeeper::keeping())
        toggleUsageWindow();
}

void showAbout(HWND window, const char*) {
    MessageBoxA(window, kAboutText, "About", kAboutStyle);
}

enum class MenuPlace { None, Settings, Main };

struct BroadcastCommand {
    const char* word;
    WordMatch match;
    void (*step)(HWND window, const char* argument);
    MenuPlace menu; // where the context menu offers it, under menuText
    const char* menuText;
    bool (*offered)(); // null: always; else the menu offers it only while this is true
};

// The broadcast vocabulary, in the order its words are tried and their steps run.
const BroadcastCommand kBroadcastCommands[] = {
    {"@KSShowPlugins", WordMatch::WholeText, showWidget, MenuPlace::None, nullptr, nullptr},
    {"@KSHidePlugins", WordMatch::WholeText, hideWidget, MenuPlace::None, nullptr, nullptr},
    {kAdapterWord, WordMatch::OwnArgument, selectAdapterCommand, MenuPlace::None, nullptr, nullptr},
    {"interface.auto", WordMatch::Own, automaticCommand, MenuPlace::None, nullptr, nullptr},
    {"interface.all", WordMatch::Own, allInterfacesCommand, MenuPlace::None, nullptr, nullptr},
    {"settings.read", WordMatch::Own, readSettingsCommand, MenuPlace::Settings, "read settings",
     nullptr},
    {"settings.write", WordMatch::Own, writeSettingsCommand, MenuPlace::Settings, "write settings",
     nullptr},
    {"settings.edit", WordMatch::Own, editSettings, MenuPlace::Settings, "edit settings", nullptr},
    {"usage", WordMatch::Own, toggleUsage, MenuPlace::Main, "Usage", UsageKeeper::keeping},
    {"about", WordMatch::Own, showAbout, MenuPlace::Main, "About", nullptr},
};

void addMenuItems(Menu* menu, MenuPlace place) {
    for (const BroadcastCommand& command : kBroadcastCommands) {
        if (command.menu != place || (command.offered && !command.offered()))
            continue;
        char text[64];
        std::snprintf(text, sizeof text, "%s%s", kCommandPrefix, command.word);
        MakeMenuItem(menu, command.menuText, text, false);
    }
}

// The numbered item in force: the position's, or the row holding the named interface now.
bool numberedChecked(InterfaceMode mode, int position) {
    if (mode == InterfaceMode::Position)
        return position == widgetSettings().adapter;
    const ShownInterfaces& shown = TrafficSampler::shown();
    return mode == InterfaceMode::Named && shown.row >= 0 &&
           InterfaceTable::indexAt(position) == shown.index;
}

void addChoiceItems(Menu* menu, InterfaceMode mode) {
    MakeMenuNOP(menu, nullptr);
    MakeMenuItem(menu, "Automatic", "@Velnor.interface.auto", mode == InterfaceMode::Auto);
    MakeMenuItem(menu, "All interfaces", "@Velnor.interface.all", mode == InterfaceMode::All);
}

} // namespace

void handleBroadcast(HWND window, const char* text) {
    // Nothing here outlives a step, so the About box's nested message loop may run further
    // broadcasts meanwhile.
    forEachAskedWord(text, kBroadcastCommands,
                     [window](const BroadcastCommand& command, const char* argument) {
                         command.step(window, argument);
                     });
}

void showContextMenu() {
    Menu* mainMenu = MakeNamedMenu("Velnor", "Velnor_IDMain", true);
    Menu* adapterMenu = MakeNamedMenu("Adapter", "Velnor_IDAdapter", true);
    const InterfaceMode mode = parseInterfaceChoice(widgetSettings().interfaceName).mode;
    // The count is asked before every item: each call refreshes the table.
    for (int i = 0; i < InterfaceTable::count(); ++i) {
        char description[InterfaceTable::kDescriptionMax + 1];
        std::snprintf(description, sizeof description, "%s", InterfaceTable::description(i));
        char command[64];
        std::snprintf(command, sizeof command, "%s%s%d", kCommandPrefix, kAdapterWord, i);
        MakeMenuItem(adapterMenu, description, command, numberedChecked(mode, i));
    }
    addChoiceItems(adapterMenu, mode);
    MakeSubmenu(mainMenu, adapterMenu, "Adapter");
    MakeMenuNOP(mainMenu, nullptr);
    Menu* settingsMenu = MakeNamedMenu("Settings", "Velnor_IDSettings", true);
    addMenuItems(settingsMenu, MenuPlace::Settings);
    MakeSubmenu(mainMenu, settingsMenu, "Settings");
    addMenuItems(mainMenu, MenuPlace::Main);
    ShowMenu(mainMenu);
}
