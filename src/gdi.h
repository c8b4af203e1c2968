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
