// Small owners for GDI objects: a selection that puts the old object back when it leaves scope
// (so nothing is ever deleted while selected), a memory context deleted when it leaves scope, and
// the delete of a long-lived object that also nulls its handle.
#pragma once

#include "platform.h"

class ScopedSelect {
  public:
    // A null object selects nothing and restores nothing.
    ScopedSelect(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelect() {
        if (old_)
            SelectObject(dc_, old_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

class ScopedMemoryDC {
  public:
    // Compatible with `dc`, or with the screen when it is null; get() is null when none was made.
    explicit ScopedMemoryDC(HDC dc) : dc_(CreateCompatibleDC(dc)) {}
    ~ScopedMemoryDC() {
        if (dc_)
            DeleteDC(dc_);
    }
    ScopedMemoryDC(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

template <typename Handle> void deleteObject(Handle& handle) {
    if (handle)
        DeleteObject(handle);
    handle = nullptr;
}

// A picture kept off-screen for a window: a bitmap compatible with the window's own context (not
// with whichever context asks first: a bare memory context would make it monochrome), selected
// into a memory context of its own for as long as it lives, so that a repaint is one copy.
struct KeptPicture {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ replaced; // what `dc` held before the bitmap
};

// False, and nothing made, when the contexts or the bitmap cannot be had.
inline bool makeKeptPicture(KeptPicture& picture, HWND window, int width, int height) {
    HDC windowDC = GetDC(window);
    if (!windowDC)
        return false;
    HDC memory = CreateCompatibleDC(windowDC);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(windowDC, width, height) : nullptr;
    ReleaseDC(window, windowDC);
    if (!bitmap) {
        if (memory)
            DeleteDC(memory);
        return false;
    }
    picture = KeptPicture{memory, bitmap, SelectObject(memory, bitmap)};
    return true;
}

inline void releaseKeptPicture(KeptPicture& picture) {
    if (!picture.dc)
        return;
    SelectObject(picture.dc, picture.replaced);
    deleteObject(picture.bitmap);
    DeleteDC(picture.dc);
    picture = KeptPicture{};
}

// `area` of the picture into `dc`, at the same place.
inline void copyKeptPicture(const KeptPicture& picture, HDC dc, const RECT& area) {
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, picture.dc,
           area.left, area.top, SRCCOPY);
}

// WM_PAINT and WM_PRINTCLIENT of a window whose picture `paint(window, dc, area)` copies: the paint
// rectangle, or the whole client area.
inline void paintMessage(HWND window, void (*paint)(HWND, HDC, const RECT&)) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!dc)
        return;
    paint(window, dc, ps.rcPaint);
    EndPaint(window, &ps);
}

inline void printClientMessage(HWND window, HDC dc, void (*paint)(HWND, HDC, const RECT&)) {
    RECT client;
    if (dc && GetClientRect(window, &client))
        paint(window, dc, client);
}
