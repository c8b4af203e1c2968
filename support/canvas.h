// A top-down 32-bit DIB selected into a memory DC, read back pixel by pixel: what the tests, the
// shell's screenshots and the benchmark draw into or copy a window into.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "gdi.h"
#include "platform.h"

struct Box {
    int left, top, right, bottom; // right and bottom outside, as RECT
    bool empty() const { return right <= left || bottom <= top; }
};

class Canvas {
  public:
    Canvas(int width, int height)
        : width_(width), height_(height), dc_(nullptr), bitmap_{newDib(width, height, bits_)},
          selected_(dc_.get(), bitmap_.handle) {}
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool ok() const { return bits_ != nullptr && dc_.get() != nullptr; }
    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // Copies the client area of `window` from its top-left corner; false when it cannot.
    bool copyFrom(HWND window) const {
        HDC windowDc = GetDC(window);
        if (!windowDc)
            return false;
        const BOOL copied = BitBlt(dc_.get(), 0, 0, width_, height_, windowDc, 0, 0, SRCCOPY);
        ReleaseDC(window, windowDc);
        return copied != FALSE;
    }
    // The pixel as 0xRRGGBB, the order the DIB stores.
    std::uint32_t rgb(int x, int y) const {
        GdiFlush();
        return bits_[y * width_ + x] & 0x00FFFFFF;
    }
    COLORREF at(int x, int y) const {
        const std::uint32_t p = rgb(x, y);
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Every pixel as 0xRRGGBB, row by row.
    std::vector<std::uint32_t> pixels() const {
        GdiFlush();
        std::vector<std::uint32_t> all(bits_, bits_ + width_ * height_);
        for (std::uint32_t& pixel : all)
            pixel &= 0x00FFFFFF;
        return all;
    }
    // Bounding box of the pixels inside `area` that differ from `background`.
    Box ink(Box area, COLORREF background) const {
        Box found{area.right, area.bottom, area.left, area.top};
        for (int y = std::max(area.top, 0); y < std::min(area.bottom, height_); ++y)
            for (int x = std::max(area.left, 0); x < std::min(area.right, width_); ++x)
                if (at(x, y) != background) {
                    found.left = std::min(found.left, x);
                    found.top = std::min(found.top, y);
                    found.right = std::max(found.right, x + 1);
                    found.bottom = std::max(found.bottom, y + 1);
                }
        return found;
    }
    bool same(const Canvas& other, Box area) const {
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (at(x, y) != other.at(x, y))
                    return false;
        return true;
    }

  private:
    struct Dib {
        HBITMAP handle;
        ~Dib() { deleteObject(handle); }
    };
    static HBITMAP newDib(int width, int height, std::uint32_t*& bits) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* memory = nullptr;
        HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
        bits = dib ? static_cast<std::uint32_t*>(memory) : nullptr;
        return dib;
    }
    // Destroyed in reverse: the selection is put back, then the DIB deleted, then the context.
    int width_, height_;
    std::uint32_t* bits_ = nullptr;
    ScopedMemoryDC dc_;
    Dib bitmap_;
    ScopedSelect selected_;
};
