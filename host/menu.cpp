// Menus: built by the plug-in item by item, shown as a real popup menu or only recorded, and the
// chosen item's command broadcast.
#include <algorithm>

#include "host.h"
#include "shell.h"

namespace {

// Deeper sub-menus than this are not shown; it also ends a menu that is its own sub-menu.
constexpr int kMaxMenuDepth = 16;

struct MenuState {
    std::vector<std::unique_ptr<Menu>> menus;
    const Menu* lastShown = nullptr;
    HostMenuMode mode = HostMenuMode::Popup;
};
MenuState menuState;

// Only menus this shell made are touched: anything else from the plug-in is refused, not followed.
bool isOurs(const Menu* menu) {
    return menu && std::any_of(menuState.menus.begin(), menuState.menus.end(),
                               [menu](const std::unique_ptr<Menu>& m) { return m.get() == menu; });
}

MenuItem* addItem(Menu* menu, std::unique_ptr<MenuItem> item) {
    menu->items.push_back(std::move(item));
    return menu->items.back().get();
}

void setText(MenuItem& item, const char* text) {
    item.hasText = text != nullptr;
    item.text = text ? text : "";
}

bool onPath(const std::vector<const Menu*>& path, const Menu* menu) {
    return std::find(path.begin(), path.end(), menu) != path.end();
}

void describe(const Menu* menu, std::vector<const Menu*>& path, std::vector<std::string>& lines) {
    path.push_back(menu);
    const std::string indent(2 * path.size(), ' ');
    for (const auto& item : menu->items) {
        const char* text = item->hasText ? item->text.c_str() : nullptr;
        switch (item->kind) {
        case MenuItem::Kind::Command:
            lines.push_back(indent + "item " + hostQuote(text) + " " +
                            hostQuote(item->hasCommand ? item->command.c_str() : nullptr) + " " +
                            (item->checked ? "1" : "0"));
            break;
        case MenuItem::Kind::Nop:
            lines.push_back(indent + "nop " + hostQuote(text));
            break;
        case MenuItem::Kind::Submenu: {
            const Menu* sub = item->submenu;
            std::string line = indent + "submenu " + hostQuote(text) + " " +
                               hostQuote(sub->title.c_str()) + " " + hostQuote(sub->id.c_str());
            if (onPath(path, sub)) {
                lines.push_back(line + " (cycle)");
            } else if (static_cast<int>(path.size()) >= kMaxMenuDepth) {
                lines.push_back(line + " (too deep)");
            } else {
                lines.push_back(line);
                describe(sub, path, lines);
            }
            break;
        }
        }
    }
    path.pop_back();
}

const MenuItem* find(const Menu* menu, const std::string& key, std::vector<const Menu*>& path) {
    path.push_back(menu);
    const MenuItem* found = nullptr;
    for (const auto& item : menu->items) {
        if ((item->hasText && item->text == key) || (item->hasCommand && item->command == key))
            found = item.get();
        else if (item->kind == MenuItem::Kind::Submenu && !onPath(path, item->submenu) &&
                 static_cast<int>(path.size()) < kMaxMenuDepth)
            found = find(item->submenu, key, path);
        if (found)
            break;
    }
    path.pop_back();
    return found;
}

enum class Delivery { Now, Posted };

void broadcastChoice(const std::string& key, const MenuItem* item, Delivery delivery) {
    if (!item) {
        hostLog("MenuChoice %s -> not found", hostQuote(key.c_str()).c_str());
        return;
    }
    if (item->kind != MenuItem::Kind::Command || !item->hasCommand) {
        hostLog("MenuChoice %s -> no command", hostQuote(key.c_str()).c_str());
        return;
    }
    const std::string command = item->command;
    hostLog("MenuChoice %s -> %s", hostQuote(key.c_str()).c_str(),
            hostQuote(command.c_str()).c_str());
    if (delivery == Delivery::Posted)
        hostPostBroadcast(command.c_str());
    else
        hostBroadcast(command.c_str());
}

// The popup form of a menu tree; commands get ids 1, 2, ... in `commands`.
HMENU buildPopup(const Menu* menu, std::vector<const Menu*>& path,
                 std::vector<const MenuItem*>& commands) {
    HMENU popup = CreatePopupMenu();
    if (!popup)
        return nullptr;
    path.push_back(menu);
    for (const auto& item : menu->items) {
        const char* text = item->text.c_str();
        switch (item->kind) {
        case MenuItem::Kind::Command:
            commands.push_back(item.get());
            AppendMenuA(popup, MF_STRING | (item->checked ? MF_CHECKED : 0u), commands.size(),
                        text);
            break;
        case MenuItem::Kind::Nop:
            if (item->text.empty())
                AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
            else
                AppendMenuA(popup, MF_STRING | MF_GRAYED, 0, text);
            break;
        case MenuItem::Kind::Submenu: {
            HMENU sub = nullptr;
            if (!onPath(path, item->submenu) && static_cast<int>(path.size()) < kMaxMenuDepth)
                sub = buildPopup(item->submenu, path, commands);
            if (sub)
                AppendMenuA(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text);
            else
                AppendMenuA(popup, MF_STRING | MF_GRAYED, 0, text);
            break;
        }
        }
    }
    path.pop_back();
    return popup;
}

void popUp(const Menu* menu) {
    HWND owner = hostWindow();
    if (!owner)
        return;
    std::vector<const Menu*> path;
    std::vector<const MenuItem*> commands;
    HMENU popup = buildPopup(menu, path, commands);
    if (!popup)
        return;
    POINT cursor = {};
    GetCursorPos(&cursor);
    // The owner must be in the foreground for the menu to close when the user clicks elsewhere,
    // and must see a message afterwards for it to close at once.
    SetForegroundWindow(owner);
    const int chosen =
        static_cast<int>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                        cursor.x, cursor.y, 0, owner, nullptr));
    PostMessageA(owner, WM_NULL, 0, 0);
    DestroyMenu(popup);
    if (chosen >= 1 && chosen <= static_cast<int>(commands.size())) {
        const MenuItem* item = commands[chosen - 1];
        broadcastChoice(item->text, item, Delivery::Posted);
    }
}

} // namespace

void hostSetMenuMode(HostMenuMode mode) {
    menuState.mode = mode;
}

const Menu* hostLastMenu() {
    return menuState.lastShown;
}

std::vector<std::string> hostMenuLines(const Menu* menu) {
    std::vector<std::string> lines;
    if (!isOurs(menu))
        return lines;
    std::vector<const Menu*> path;
    describe(menu, path, lines);
    return lines;
}

bool hostChooseMenuItem(const char* key) {
    const std::string wanted = key ? key : "";
    const MenuItem* item = nullptr;
    if (menuState.lastShown) {
        std::vector<const Menu*> path;
        item = find(menuState.lastShown, wanted, path);
    }
    broadcastChoice(wanted, item, Delivery::Now);
    return item && item->kind == MenuItem::Kind::Command && item->hasCommand;
}

void hostFreeMenus() {
    menuState.lastShown = nullptr;
    menuState.menus.clear();
}

extern "C" Menu* MakeNamedMenu(const char* title, const char* id, bool popup) {
    auto menu = std::make_unique<Menu>();
    menu->title = title ? title : "";
    menu->id = id ? id : "";
    menu->popup = popup;
    menuState.menus.push_back(std::move(menu));
    Menu* made = menuState.menus.back().get();
    hostLog("MakeNamedMenu %s %s %d -> %s", hostQuote(title).c_str(), hostQuote(id).c_str(),
            popup ? 1 : 0, hostHex(made).c_str());
    return made;
}

extern "C" MenuItem* MakeMenuItem(Menu* menu, const char* text, const char* command, bool checked) {
    const std::string args = hostHex(menu) + " " + hostQuote(text) + " " + hostQuote(command) +
                             " " + (checked ? "1" : "0");
    if (!isOurs(menu)) {
        hostLog("MakeMenuItem %s -> null (not a menu)", args.c_str());
        return nullptr;
    }
    auto item = std::make_unique<MenuItem>();
    item->kind = MenuItem::Kind::Command;
    setText(*item, text);
    item->hasCommand = command != nullptr;
    item->command = command ? command : "";
    item->checked = checked;
    MenuItem* made = addItem(menu, std::move(item));
    hostLog("MakeMenuItem %s -> %s", args.c_str(), hostHex(made).c_str());
    return made;
}

extern "C" MenuItem* MakeSubmenu(Menu* menu, Menu* submenu, const char* text) {
    const std::string args = hostHex(menu) + " " + hostHex(submenu) + " " + hostQuote(text);
    if (!isOurs(menu) || !isOurs(submenu)) {
        hostLog("MakeSubmenu %s -> null (not a menu)", args.c_str());
        return nullptr;
    }
    auto item = std::make_unique<MenuItem>();
    item->kind = MenuItem::Kind::Submenu;
    setText(*item, text);
    item->submenu = submenu;
    MenuItem* made = addItem(menu, std::move(item));
    hostLog("MakeSubmenu %s -> %s", args.c_str(), hostHex(made).c_str());
    return made;
}

extern "C" MenuItem* MakeMenuNOP(Menu* menu, const char* text) {
    const std::string args = hostHex(menu) + " " + hostQuote(text);
    if (!isOurs(menu)) {
        hostLog("MakeMenuNOP %s -> null (not a menu)", args.c_str());
        return nullptr;
    }
    auto item = std::make_unique<MenuItem>();
    item->kind = MenuItem::Kind::Nop;
    setText(*item, text);
    MenuItem* made = addItem(menu, std::move(item));
    hostLog("MakeMenuNOP %s -> %s", args.c_str(), hostHex(made).c_str());
    return made;
}

extern "C" void ShowMenu(Menu* menu) {
    if (!isOurs(menu)) {
        hostLog("ShowMenu %s -> ignored (not a menu)", hostHex(menu).c_str());
        return;
    }
    hostLog("ShowMenu %s %s %s", hostHex(menu).c_str(), hostQuote(menu->title.c_str()).c_str(),
            hostQuote(menu->id.c_str()).c_str());
    for (const std::string& line : hostMenuLines(menu))
        hostLog("%s", line.c_str());
    menuState.lastShown = menu;
    if (menuState.mode == HostMenuMode::Popup)
        popUp(menu);
}
