#include "settings/reload.h"

#include <cstdint>
#include <cstring>

#include "gdi.h"
#include "handles.h"
#include "settings/settings.h"
#include "traffic/sampler.h"
#include "usage/keeper.h"

namespace {

// What a reload builds before it puts anything in place.
struct NewResources {
    unsigned char styleCopy[kStyleRecordSize];
    bool haveStyle;
    HFONT styleFont;
    HBRUSH sctBrush;
};

struct ReloadState {
    DrawingResources resources;
    unsigned stops; // counts releaseResources calls, so a reload can tell it was stopped
    bool installed; // a reload's settings are in place
};
ReloadState reloadState;

void destroyIcon(HICON& icon) {
    if (icon)
        DestroyIcon(icon);
    icon = nullptr;
}

void freeHistory(std::int64_t*& history) {
    if (history)
        LocalFree(history);
    history = nullptr;
}

// Zero-filled, or none when it cannot be had: the sampler and the painter skip a graph without
// history.
std::int64_t* newHistory(const Graph& graph) {
    return static_cast<std::int64_t*>(
        LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT,
                   static_cast<std::size_t>(historyColumns(graph)) * sizeof(std::int64_t)));
}

// Values the sampler and the timer cannot work with are mended once, here, right after reading.
void normalise(WidgetSettings& settings) {
    for (Graph& graph : settings.graphs)
        if (graph.width < 1)
            graph.width = 1;
    if (settings.timer <= 0)
        settings.timer = kDefaultPeriod;
}

void buildGraphs(WidgetSettings& settings) {
    for (Graph& graph : settings.graphs) {
        graph.history = newHistory(graph);
        graph.pen = CreatePen(PS_SOLID, 1, graph.color);
        graph.brush = CreateSolidBrush(graph.background);
        graph.maximum = 0;
    }
}

void buildResources(const WidgetSettings& settings, NewResources& made) {
    const void* style = GetSettingPtr(1);
    made.haveStyle = style != nullptr;
    if (style)
        std::memcpy(made.styleCopy, style, kStyleRecordSize);
    style = GetSettingPtr(1);
    made.styleFont = style ? CreateStyleFont(style) : nullptr;
    made.sctBrush = settings.sctEnabled ? CreateSolidBrush(settings.sctColor) : nullptr;
}

// Releases every object of `settings` that the widget made: histories, pens, brushes, icons.
void releaseSettingsObjects(WidgetSettings& settings) {
    for (Graph& graph : settings.graphs) {
        freeHistory(graph.history);
        deleteObject(graph.pen);
        deleteObject(graph.brush);
    }
    for (Label& label : settings.labels)
        destroyIcon(label.icon);
}

// One step with no message loop in it: whatever was installed before (possibly by a reload that
// ran inside this one's icon box) is swapped out and released, after the new objects are in.
void install(const WidgetSettings& settings, NewResources& made) {
    WidgetSettings replaced = installSettings(settings);
    reloadState.installed = true;
    if (made.haveStyle)
        std::memcpy(reloadState.resources.styleCopy, made.styleCopy, kStyleRecordSize);
    HFONT oldFont = nullptr;
    if (made.styleFont) {
        oldFont = reloadState.resources.styleFont;
        reloadState.resources.styleFont = made.styleFont;
    }
    HBRUSH oldSct = nullptr;
    // With the mode on, one that could not be made leaves none: the painter then fills with the new
    // colour, never with the old brush's.
    if (made.sctBrush || settings.sctEnabled) {
        oldSct = reloadState.resources.sctBrush;
        reloadState.resources.sctBrush = made.sctBrush;
    }
    releaseSettingsObjects(replaced);
    deleteObject(oldFont);
    deleteObject(oldSct);
}

} // namespace

const DrawingResources& drawingResources() {
    return reloadState.resources;
}

void makeFramePen() {
    if (!reloadState.resources.framePen)
        reloadState.resources.framePen = CreatePen(PS_SOLID, 1, 0);
}

HICON loadIcon(const char* value) {
    // An empty value names no file, like an absent key.
    if (!value || !*value)
        return nullptr;
    char path[kPathSize];
    const char* directory = pluginDirectory();
    std::size_t directoryLength = std::strlen(directory);
    std::size_t valueLength = std::strlen(value);
    HICON icon = nullptr;
    if (directoryLength + valueLength < static_cast<std::size_t>(kPathSize)) {
        std::memcpy(path, directory, directoryLength);
        std::memcpy(path + directoryLength, value, valueLength + 1);
        icon = static_cast<HICON>(LoadImageA(nullptr, path, IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    } else {
        // Too long to name a file: not loaded, and the box shows as much of it as fits, marked
        // as cut.
        std::size_t kept = kPathSize - 4;
        std::size_t fromDirectory = directoryLength < kept ? directoryLength : kept;
        std::memcpy(path, directory, fromDirectory);
        std::memcpy(path + fromDirectory, value, kept - fromDirectory);
        std::memcpy(path + kept, "...", 4);
    }
    if (!icon)
        MessageBoxA(moduleHandles().host, path, "Cannot load icon",
                    MB_OK | MB_ICONERROR | MB_TOPMOST);
    return icon;
}

void reload() {
    // A file that is there but cannot be read would give every default: what is in place stays
    // until it can be read.
    if (reloadState.installed && settingsFileUnreadable())
        return;
    // Read into a staging record: the icon boxes run message loops in which ticks and paints go
    // on with the installed settings, whose histories still match their widths.
    const unsigned stopsBefore = reloadState.stops;
    WidgetSettings next{};
    readSettings(next);
    // A stop inside an icon box took the widget down: nothing is installed into it afterwards.
    if (reloadState.stops != stopsBefore) {
        releaseSettingsObjects(next);
        return;
    }
    normalise(next);
    buildGraphs(next);
    NewResources made{};
    buildResources(next, made);
    install(next, made);
    TrafficSampler::resetHistory();
    char ledger[kPathSize];
    usagePath(ledger);
    UsageKeeper::configure(next.period, next.billingDay, ledger, next.adapter);
}

void releaseResources() {
    ++reloadState.stops;
    reloadState.installed = false;
    WidgetSettings replaced = installSettings(WidgetSettings{});
    releaseSettingsObjects(replaced);
    deleteObject(reloadState.resources.styleFont);
    deleteObject(reloadState.resources.sctBrush);
    deleteObject(reloadState.resources.framePen);
    reloadState.resources = DrawingResources{};
}
