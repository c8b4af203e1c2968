#include "parts.h"

#include <cstdio>

namespace {

using PluginInfoEntry = const char* (*)(int);
using BeginPluginEntry = int (*)(HINSTANCE);
using BeginSlitEntry = int (*)(HINSTANCE, HWND);
using EndPluginEntry = void (*)();

struct PluginState {
    std::string path;
    HMODULE module = nullptr;
    bool started = false;
};
PluginState plugin;

FARPROC entry(const char* name) {
    FARPROC address = GetProcAddress(plugin.module, name);
    if (!address)
        fail("the plug-in has no entry %s", name);
    return address;
}

template <typename T> T entryAs(const char* name) {
    // Entry points are looked up by name; their types are the plug-in interface's.
    return reinterpret_cast<T>(reinterpret_cast<void*>(entry(name)));
}

HWND pluginWindow() {
    for (const HostRegistration& r : hostRegistrations())
        return r.window;
    const std::vector<HWND>& slit = hostSlitWindows();
    return slit.empty() ? nullptr : slit.front();
}

} // namespace

void setPluginPath(const std::string& path) {
    plugin.path = path;
}

bool loadPlugin() {
    if (plugin.module)
        return true;
    plugin.module = LoadLibraryA(plugin.path.c_str());
    if (!plugin.module) {
        fail("cannot load %s",
             hostQuote(plugin.path.c_str()) + " (error " + std::to_string(GetLastError()) + ")");
        return false;
    }
    hostLog("> LoadLibrary %s -> %s", hostQuote(plugin.path.c_str()).c_str(),
            hostHex(plugin.module).c_str());
    logMessageBoxCalls(plugin.module);
    return true;
}

void startPlugin(const std::string& how) {
    if (plugin.started) {
        fail("%s", "already started: stop first");
        return;
    }
    if (how != "free" && how != "slit" && how != "ex") {
        fail("start takes free, slit or ex, not %s", hostQuote(how.c_str()));
        return;
    }
    if (!loadPlugin())
        return;
    HINSTANCE instance = plugin.module;
    HWND slit = hostSlitWindow();
    int result = 1;
    if (how == "free") {
        auto begin = entryAs<BeginPluginEntry>("beginPlugin");
        if (!begin)
            return;
        hostLog("> beginPlugin %s", hostHex(instance).c_str());
        result = begin(instance);
        hostLog("> beginPlugin -> %d", result);
    } else {
        const char* name = how == "slit" ? "beginSlitPlugin" : "beginPluginEx";
        auto begin = entryAs<BeginSlitEntry>(name);
        if (!begin)
            return;
        hostLog("> %s %s %s", name, hostHex(instance).c_str(), hostHex(slit).c_str());
        result = begin(instance, slit);
        hostLog("> %s -> %d", name, result);
    }
    plugin.started = result == 0;
}

void stopPlugin() {
    if (!plugin.started) {
        fail("%s", "not started");
        return;
    }
    auto end = entryAs<EndPluginEntry>("endPlugin");
    if (!end)
        return;
    hostLog("> endPlugin");
    end();
    hostLog("> endPlugin done");
    plugin.started = false;
}

void unloadPlugin() {
    if (plugin.started)
        stopPlugin();
    if (!plugin.module)
        return;
    hostLog("> FreeLibrary %s", hostHex(plugin.module).c_str());
    FreeLibrary(plugin.module);
    plugin.module = nullptr;
}

void queryPluginInfo(const std::string& argument) {
    int code = 0;
    if (!parseInts(argument, &code, 1)) {
        fail("info takes a number, not %s", hostQuote(argument.c_str()));
        return;
    }
    if (!loadPlugin())
        return;
    auto pluginInfo = entryAs<PluginInfoEntry>("pluginInfo");
    if (!pluginInfo)
        return;
    const char* text = pluginInfo(code);
    hostLog("> info %d -> %s", code, hostQuote(text).c_str());
    printf("%s\n", text ? text : "(null)");
    fflush(stdout);
}

HMODULE pluginModule() {
    return plugin.module;
}

HWND needPluginWindow(const char* command) {
    HWND window = pluginWindow();
    if (!window)
        fail("%s: the plug-in has no window", command);
    return window;
}
