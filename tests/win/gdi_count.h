// Counts the GDI objects (memory contexts and bitmaps too) and icons that the code linked into
// this executable makes and releases, and records its message boxes, by patching this
// executable's import table (GetGuiResources is a stub under Wine, so the process-wide count
// cannot be asked for).
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform.h"
#include "support/import_hook.h"

struct BoxCall {
    HWND owner;
    std::string text, caption;
    UINT style;
};

namespace gdicount {

struct State {
    std::set<void*> live; // objects made and not yet released
    long made = 0, released = 0;
    long bitmaps = 0; // CreateCompatibleBitmap calls: the painter's pictures
    std::vector<BoxCall> boxes;
    bool installed = false;
    decltype(&CreatePen) createPen;
    decltype(&CreateSolidBrush) createSolidBrush;
    decltype(&CreateFontA) createFontA;
    decltype(&CreateFontIndirectA) createFontIndirectA;
    decltype(&DeleteObject) deleteObject;
    decltype(&CreateCompatibleBitmap) createCompatibleBitmap;
    decltype(&CreateCompatibleDC) createCompatibleDC;
    decltype(&DeleteDC) deleteDC;
    decltype(&LoadImageA) loadImageA;
    decltype(&DestroyIcon) destroyIcon;
    decltype(&MessageBoxA) messageBoxA;
};

inline State& state() {
    static State s;
    return s;
}

template <typename H> H made(H handle) {
    if (handle) {
        state().live.insert(handle);
        ++state().made;
    }
    return handle;
}

inline void released(void* handle, BOOL ok) {
    if (ok && state().live.erase(handle))
        ++state().released;
}

inline HPEN WINAPI createPen(int style, int width, COLORREF color) {
    return made(state().createPen(style, width, color));
}
inline HBRUSH WINAPI createSolidBrush(COLORREF color) {
    return made(state().createSolidBrush(color));
}
inline HFONT WINAPI createFontA(int h, int w, int e, int o, int wt, DWORD i, DWORD u, DWORD s,
                                DWORD c, DWORD op, DWORD cp, DWORD q, DWORD pf, LPCSTR face) {
    return made(state().createFontA(h, w, e, o, wt, i, u, s, c, op, cp, q, pf, face));
}
inline HFONT WINAPI createFontIndirectA(const LOGFONTA* font) {
    return made(state().createFontIndirectA(font));
}
inline BOOL WINAPI deleteObject(HGDIOBJ object) {
    BOOL ok = state().deleteObject(object);
    released(object, ok);
    return ok;
}
inline HBITMAP WINAPI createCompatibleBitmap(HDC dc, int width, int height) {
    ++state().bitmaps;
    return made(state().createCompatibleBitmap(dc, width, height));
}
inline HDC WINAPI createCompatibleDC(HDC dc) {
    return made(state().createCompatibleDC(dc));
}
inline BOOL WINAPI deleteDC(HDC dc) {
    BOOL ok = state().deleteDC(dc);
    released(dc, ok);
    return ok;
}
inline HANDLE WINAPI loadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy,
                                UINT flags) {
    HANDLE image = state().loadImageA(instance, name, type, cx, cy, flags);
    return type == IMAGE_ICON ? made(image) : image;
}
inline BOOL WINAPI destroyIcon(HICON icon) {
    BOOL ok = state().destroyIcon(icon);
    released(icon, ok);
    return ok;
}
inline int WINAPI messageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    state().boxes.push_back({owner, text ? text : "", caption ? caption : "", style});
    return state().messageBoxA(owner, text, caption, style);
}

} // namespace gdicount

// Installs the counting entries once for the whole test program. An entry that stays null was
// not imported: nothing linked into the program calls that function.
inline const gdicount::State& installGdiCounting() {
    using namespace gdicount;
    State& s = state();
    if (!s.installed) {
        hookImport(s.createPen, "gdi32.dll", "CreatePen", &createPen);
        hookImport(s.createSolidBrush, "gdi32.dll", "CreateSolidBrush", &createSolidBrush);
        hookImport(s.createFontA, "gdi32.dll", "CreateFontA", &createFontA);
        hookImport(s.createFontIndirectA, "gdi32.dll", "CreateFontIndirectA", &createFontIndirectA);
        hookImport(s.deleteObject, "gdi32.dll", "DeleteObject", &deleteObject);
        hookImport(s.createCompatibleBitmap, "gdi32.dll", "CreateCompatibleBitmap",
                   &createCompatibleBitmap);
        hookImport(s.createCompatibleDC, "gdi32.dll", "CreateCompatibleDC", &createCompatibleDC);
        hookImport(s.deleteDC, "gdi32.dll", "DeleteDC", &deleteDC);
        hookImport(s.loadImageA, "user32.dll", "LoadImageA", &loadImageA);
        hookImport(s.destroyIcon, "user32.dll", "DestroyIcon", &destroyIcon);
        hookImport(s.messageBoxA, "user32.dll", "MessageBoxA", &messageBoxA);
        s.installed = true;
    }
    return s;
}

inline std::size_t liveObjects() {
    return gdicount::state().live.size();
}
inline std::vector<BoxCall>& boxCalls() {
    return gdicount::state().boxes;
}
