// The plug-in's exported entry points: start, dock, stop, and the information fields.
#include "platform.h"

#include "handles.h"
#include "plugin/commands.h"
#include "shell.h"
#include "settings/reload.h"
#include "settings/settings.h"
#include "traffic/interface_table.h"
#include "traffic/sampler.h"
#include "usage/keeper.h"
#include "widget/cap_watch.h"
#include "widget/painter.h"
#include "widget/tooltip.h"
#include "widget/usage_window.h"
#include "velnor_version.h"
#include "widget/window.h"

namespace {

constexpr const char* kInfo[] = {
    "Velnor " VELNOR_VERSION,    // any code without a field of its own
    "Velnor",                    // 1: name
    VELNOR_VERSION,              // 2: version
    "Velnor developers",         // 3: author
    "2007-07-28",                // 4: release date
    "https://velnor.example/",   // 5: link
    "developers@velnor.example", // 6: e-mail
};

constexpr const char* kFatalText = "Unable to load symbol \"GetIfTable\" from \"Iphlpapi.dll\"!";

const WidgetCommands kWidgetCommands = {handleBroadcast, showContextMenu};

struct EntryState {
    // A start is under way: its boxes run message loops in which the shell may stop the plug-in
    // or start it again.
    bool starting;
    bool running; // a start returned 0 and no stop has run since
};
EntryState entryState;

bool startedAlready() {
    return entryState.running || entryState.starting;
}

// The platform's timer-callback form; the tick reads none of its arguments.
void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
    TrafficSampler::tick();
    UsageKeeper::count();
    watchCap();
    invalidateWidget();
    refreshTooltip();
    refreshUsageWindow();
}

LayeredAttributesFn lookUpLayeredAttributes() {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (user32 == nullptr)
        return nullptr;
    FARPROC entry = GetProcAddress(user32, "SetLayeredWindowAttributes");
    // Through the generic function type, which converts to any other without a warning.
    return reinterpret_cast<LayeredAttributesFn>(reinterpret_cast<void (*)()>(entry));
}

// Releases whatever a start acquired, in the reverse order of the start, and returns every
// module-level value to its loaded state, so that a later start begins as the first did.
// Safe for any prefix of the start: each release tolerates what was never made. Each owner is
// released once: the window takes its class and kept picture with it.
void returnToLoadedState() {
    // The timer first, so no tick runs into what is released below; a docked widget leaves the
    // slit while its window still exists.
    stopTimer();
    if (entryState.running && moduleHandles().slit != nullptr)
        SendMessageA(moduleHandles().slit, SLIT_MSG_REMOVE, 0,
                     reinterpret_cast<LPARAM>(moduleHandles().widget));
    // The usage window is the widget's: it goes first, with its class.
    closeUsageWindow();
    stopCapWatch();
    if (moduleHandles().widget != nullptr)
        destroyWidgetWindow();
    UsageKeeper::stop();
    InterfaceTable::release();
    // The histories go with the other drawing-time objects, after the window: no paint can
    // read them once they are freed.
    releaseResources();
    TrafficSampler::clear();
    usePaths("", "");
    clearHandles();
    entryState = EntryState{};
}

// A failed start releases what it made, unless a stop inside one of its boxes did so already (a
// later start may run by now).
int failStart() {
    if (entryState.starting)
        returnToLoadedState();
    return 1;
}

int startWidget(HINSTANCE instance, HWND slit) {
    entryState.starting = true;
    recordStart(instance, GetKSWnd(), slit, lookUpLayeredAttributes());
    makeFramePen();
    if (!InterfaceTable::load()) {
        MessageBoxA(nullptr, kFatalText, "Fatal", MB_OK);
        return failStart();
    }
    derivePaths(instance);
    reload();
    // Stopped inside an icon box: that stop released everything.
    if (!entryState.starting)
        return 1;
    // Creation registers with the host window and applies the settings just read, so it comes
    // after the reload; the box of a failure is shown inside.
    if (!createWidgetWindow(kWidgetCommands))
        return failStart();
    // Last: the tick needs the histories, the baseline and the window. Without a timer the widget
    // would stand still and count nothing while the start reported success.
    if (!startTimer(widgetSettings().timer, onTimer)) {
        MessageBoxA(moduleHandles().host, "Error starting timer", "Error",
                    MB_TOPMOST | MB_ICONERROR);
        return failStart();
    }
    entryState = EntryState{false, true};
    return 0;
}

// The slit is recorded first with the other handles, so the window is created in its slit form; it
// is told of the window only once the whole start has succeeded. Whether "Ex" docks is known only
// after the start's reload has read "Velnor.inSlit:".
int startWithSlit(HINSTANCE instance, HWND slit, bool alwaysDock) {
    if (startWidget(instance, slit) != 0)
        return 1;
    if (slit != nullptr && (alwaysDock || widgetSettings().inSlit))
        SendMessageA(slit, SLIT_MSG_ADD, 0, reinterpret_cast<LPARAM>(moduleHandles().widget));
    return 0;
}

} // namespace

extern "C" const char* pluginInfo(int field) {
    return field >= 1 && field <= 6 ? kInfo[field] : kInfo[0];
}

// A start while the widget runs, or while a start is under way, would replace the widget's objects
// under it; it fails without touching anything. There is one widget per process.
extern "C" int beginPlugin(HINSTANCE instance) {
    return startedAlready() ? 1 : startWidget(instance, nullptr);
}

extern "C" int beginSlitPlugin(HINSTANCE instance, HWND slit) {
    return startedAlready() ? 1 : startWithSlit(instance, slit, true);
}

extern "C" int beginPluginEx(HINSTANCE instance, HWND slit) {
    return startedAlready() ? 1 : startWithSlit(instance, slit, false);
}

// A stop during a start takes down what that start has made so far.
extern "C" void endPlugin() {
    if (startedAlready())
        returnToLoadedState();
}
