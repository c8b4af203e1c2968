// The driver's "objects": the GDI objects and device contexts that the plug-in made through its
// own import table and has not released, and the windows of the shell's thread. GetGuiResources
// is a stub under Wine, so the plug-in's creations and releases are counted by patching its import
// table, from the first "objects" on: that call's counts are the baseline of the later ones.
#include "parts.h"
#include "support/import_hook.h"

#include <set>

namespace {

struct ObjectCountState {
    HMODULE hooked = nullptr;
    std::set<void*> live;
    decltype(&CreatePen) createPen = nullptr;
    decltype(&CreateSolidBrush) createSolidBrush = nullptr;
    decltype(&CreateFontIndirectA) createFontIndirectA = nullptr;
    decltype(&CreateCompatibleDC) createCompatibleDC = nullptr;
    decltype(&CreateCompatibleBitmap) createCompatibleBitmap = nullptr;
    decltype(&DeleteObject) deleteObject = nullptr;
    decltype(&DeleteDC) deleteDC = nullptr;
    decltype(&GetDC) getDC = nullptr;
    decltype(&ReleaseDC) releaseDC = nullptr;
};
ObjectCountState counted;

template <typename H> H made(H handle) {
    if (handle)
        counted.live.insert(handle);
    return handle;
}

template <typename R> R released(void* handle, R result) {
    if (result)
        counted.live.erase(handle);
    return result;
}

HPEN WINAPI createPen(int style, int width, COLORREF color) {
    return made(counted.createPen(style, width, color));
}
HBRUSH WINAPI createSolidBrush(COLORREF color) {
    return made(counted.createSolidBrush(color));
}
HFONT WINAPI createFontIndirectA(const LOGFONTA* font) {
    return made(counted.createFontIndirectA(font));
}
HDC WINAPI createCompatibleDC(HDC dc) {
    return made(counted.createCompatibleDC(dc));
}
HBITMAP WINAPI createCompatibleBitmap(HDC dc, int width, int height) {
    return made(counted.createCompatibleBitmap(dc, width, height));
}
BOOL WINAPI deleteObject(HGDIOBJ object) {
    return released(object, counted.deleteObject(object));
}
BOOL WINAPI deleteDC(HDC dc) {
    return released(dc, counted.deleteDC(dc));
}
HDC WINAPI getDC(HWND window) {
    return made(counted.getDC(window));
}
int WINAPI releaseDC(HWND window, HDC dc) {
    return released(dc, counted.releaseDC(window, dc));
}

BOOL CALLBACK countWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

template <typename F> void hook(F& original, const char* dll, const char* name, F replacement) {
    hookImport(original, dll, name, replacement, counted.hooked);
}

void hookPlugin(HMODULE plugin) {
    counted = ObjectCountState{};
    counted.hooked = plugin;
    hook(counted.createPen, "gdi32.dll", "CreatePen", &createPen);
    hook(counted.createSolidBrush, "gdi32.dll", "CreateSolidBrush", &createSolidBrush);
    hook(counted.createFontIndirectA, "gdi32.dll", "CreateFontIndirectA", &createFontIndirectA);
    hook(counted.createCompatibleDC, "gdi32.dll", "CreateCompatibleDC", &createCompatibleDC);
    hook(counted.createCompatibleBitmap, "gdi32.dll", "CreateCompatibleBitmap",
         &createCompatibleBitmap);
    hook(counted.deleteObject, "gdi32.dll", "DeleteObject", &deleteObject);
    hook(counted.deleteDC, "gdi32.dll", "DeleteDC", &deleteDC);
    hook(counted.getDC, "user32.dll", "GetDC", &getDC);
    hook(counted.releaseDC, "user32.dll", "ReleaseDC", &releaseDC);
}

} // namespace

void countObjects() {
    HMODULE plugin = pluginModule();
    if (!plugin) {
        fail("%s", "objects: the plug-in is not loaded");
        return;
    }
    if (plugin != counted.hooked)
        hookPlugin(plugin);
    int windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), countWindow, reinterpret_cast<LPARAM>(&windows));
    hostLog("> objects gdi %d windows %d", static_cast<int>(counted.live.size()), windows);
}
