// The driver of kestrum.exe: loads one plug-in and runs it through commands, from a script file
// (--script, one command a line, '#' starts a comment line) and from the command line (one
// argument per command), in that order. Every command logs one line starting with "> " to the
// shell's log, between the lines of the shell functions the plug-in calls. The commands are the
// rows of kCommands below.
//
// An interactive run (no commands given) starts the plug-in and then reads further commands from
// standard input while it runs, until "quit", Ctrl+C or the end of the process.
#include "driver.h"
#include "parts.h"

#include <cstdio>

namespace {

struct DriverState {
    int failures = 0;
};
DriverState driver;

// A command of two words, "menu popup|record" and the like: the switch is set, then logged.
void setSwitch(const char* name, const std::string& arguments, const char* on, const char* off,
               void (*apply)(bool on)) {
    bool value = false;
    if (!parseSwitch(arguments, on, off, value)) {
        const std::string format = std::string(name) + " takes " + on + " or " + off + ", not %s";
        fail(format.c_str(), hostQuote(arguments.c_str()));
        return;
    }
    apply(value);
    hostLog("> %s %s", name, value ? on : off);
}

void setMenuMode(const std::string& arguments) {
    setSwitch("menu", arguments, "popup", "record", [](bool popup) {
        hostSetMenuMode(popup ? HostMenuMode::Popup : HostMenuMode::Record);
    });
}

void setBoxes(const std::string& arguments) {
    setSwitch("boxes", arguments, "close", "keep", setBoxClosing);
}

void setExecute(const std::string& arguments) {
    setSwitch("execute", arguments, "on", "off", hostSetExecuteEnabled);
}

void wait(const std::string& arguments) {
    int milliseconds = 0;
    if (parseInts(arguments, &milliseconds, 1) && milliseconds >= 0)
        handleMessages(static_cast<DWORD>(milliseconds));
    else
        fail("wait takes milliseconds, not %s", hostQuote(arguments.c_str()));
}

void choose(const std::string& key) {
    hostLog("> choose %s", hostQuote(key.c_str()).c_str());
    if (!hostChooseMenuItem(key.c_str()))
        fail("no menu item to choose for %s", hostQuote(key.c_str()));
}

struct Command {
    const char* name;
    void (*run)(const std::string& arguments); // the rest of the line after the name
    const char* usage;
};

// clang-format off
const Command kCommands[] = {
    {"start", [](const std::string& a) { startPlugin(trimmed(a)); },
     "start free|slit|ex     load if needed; beginPlugin, or beginSlitPlugin or beginPluginEx\n"
     "                       with the slit window"},
    {"stop", [](const std::string&) { stopPlugin(); },
     "stop                   endPlugin (the module stays loaded, so start may follow again)"},
    {"load", [](const std::string&) { loadPlugin(); },
     "load                   LoadLibrary"},
    {"unload", [](const std::string&) { unloadPlugin(); },
     "unload                 FreeLibrary (stopping first if running)"},
    {"info", queryPluginInfo,
     "info <code>            pluginInfo(code), logged and printed"},
    {"wait", wait,
     "wait <ms>              handle messages for that long (timers, paints, boxes keep running)"},
    {"run", [](const std::string&) { handleMessages(INFINITE); },
     "run                    handle messages until the process is asked to quit"},
    {"broadcast", [](const std::string& a) { hostBroadcast(a.c_str()); },
     "broadcast <text>       HOST_MSG_BROADCAST with the rest of the line, verbatim, to every\n"
     "                       window registered for it"},
    {"nullbroadcast", [](const std::string&) { hostBroadcast(nullptr); },
     "nullbroadcast          the same with a null text"},
    {"show", [](const std::string&) { hostBroadcast("@KSShowPlugins"); },
     "show                   broadcast \"@KSShowPlugins\""},
    {"hide", [](const std::string&) { hostBroadcast("@KSHidePlugins"); },
     "hide                   broadcast \"@KSHidePlugins\""},
    {"reconfigure", [](const std::string&) { hostSendToRegistered(HOST_MSG_RECONFIGURE, 0, 0); },
     "reconfigure            HOST_MSG_RECONFIGURE to every window registered for it"},
    {"rightclick", rightClick,
     "rightclick [x y]       WM_RBUTTONUP to the plug-in window (client point, default centre)"},
    {"choose", choose,
     "choose <key>           play the user: choose the item of the last shown menu whose text or\n"
     "                       command is <key>; its command is broadcast"},
    {"menu", setMenuMode,
     "menu popup|record      ShowMenu pops up a real menu, or only records it (scripted default)"},
    {"boxes", setBoxes,
     "boxes close|keep       message boxes are logged and closed with their first button\n"
     "                       (scripted default), or left to the user"},
    {"closeboxes", [](const std::string&) { closeOpenBoxes(); },
     "closeboxes             close the open message boxes now"},
    {"execute", setExecute,
     "execute on|off         KSExecute runs the program, or only logs it (scripted default: off)"},
    {"sendmessage", sendMessage,
     "sendmessage <msg> [<wParam> [<lParam>]]\n"
     "                       SendMessageA to the plug-in window; numbers decimal or 0x hex, an\n"
     "                       lParam in double quotes passes the text between them"},
    {"move", moveWindow,
     "move <x> <y>           move the plug-in window (no size or z-order change)"},
    {"ctrl-drag", ctrlDrag,
     "ctrl-drag <dx> <dy>    drag the plug-in window with Ctrl and the left button (SendInput\n"
     "                       from a helper thread while this one handles messages)"},
    {"hover", hover,
     "hover [x y]            move the pointer by SendInput onto the plug-in window (client point,\n"
     "                       default centre); follow with wait for the window's tooltip to open"},
    {"screenshot", screenshot,
     "screenshot <file> [\"<title>\"]\n"
     "                       the client area of the plug-in window, or of this process's window\n"
     "                       with that title, as a 24-bit PNG"},
    {"window", describeWindow,
     "window [\"<title>\"]     log the window's class, rectangle, styles and visibility (as\n"
     "                       screenshot); a titled window that is not there is logged as absent"},
    {"objects", [](const std::string&) { countObjects(); },
     "objects                log the GDI objects and contexts the plug-in made through its\n"
     "                       imports since the first objects and still holds, and the windows\n"
     "                       of the shell's thread"},
    {"mark", [](const std::string& a) { hostLog("> mark %s", a.c_str()); },
     "mark <text>            log \"> mark <text>\", to tell phases apart"},
    {"quit", [](const std::string&) { requestQuit(); },
     "quit                   end the run here"},
};
// clang-format on

} // namespace

void fail(const char* format, const std::string& detail) {
    ++driver.failures;
    char line[1024];
    snprintf(line, sizeof line, format, detail.c_str());
    hostLog("> error: %s", line);
    fprintf(stderr, "kestrum: %s\n", line);
}

void runCommand(const std::string& line) {
    std::string rest;
    const std::string name = firstWord(line, rest);
    for (const Command& command : kCommands)
        if (name == command.name) {
            command.run(rest);
            return;
        }
    fail("unknown command %s", hostQuote(line.c_str()));
}

void printCommandUsage(FILE* out) {
    fprintf(out, "commands (the plug-in window is the first live window registered with the "
                 "host, else the first in the slit):\n");
    for (const Command& command : kCommands)
        fprintf(out, "  %s\n", command.usage);
}

int runDriver(const DriverOptions& options) {
    setPluginPath(options.plugin);
    hostSetMenuMode(options.scripted ? HostMenuMode::Record : HostMenuMode::Popup);
    hostSetExecuteEnabled(!options.scripted);
    std::string reason;
    if (!hostCreateWindows(GetModuleHandleA(nullptr), &reason)) {
        fail("cannot create the host windows: %s", reason);
        return 1;
    }
    startBoxWatcher(options.scripted);
    for (const std::string& command : options.commands) {
        if (quitRequested())
            break;
        runCommand(command);
    }
    unloadPlugin();
    stopBoxWatcher();
    hostFreeMenus();
    hostDestroyWindows();
    return driver.failures == 0 ? 0 : 1;
}
