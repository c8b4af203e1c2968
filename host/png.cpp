// Screenshots: a window's pixels, and a PNG writer that needs no compression library (its deflate
// stream is made of stored blocks).
#include <algorithm>
#include <cstdio>

#include "host.h"
#include "support/canvas.h"

namespace {

constexpr size_t kMaxStoredBlock = 65535;

void putBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    putBigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBigEndian(out, hostCrc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored deflate blocks.
std::vector<uint8_t> storedZlib(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t offset = 0;
    do {
        const size_t length = std::min(kMaxStoredBlock, raw.size() - offset);
        const bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<uint8_t>(length));
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(~length));
        out.push_back(static_cast<uint8_t>(~length >> 8));
        out.insert(out.end(), raw.begin() + static_cast<ptrdiff_t>(offset),
                   raw.begin() + static_cast<ptrdiff_t>(offset + length));
        offset += length;
    } while (offset < raw.size());
    putBigEndian(out, hostAdler32(raw.data(), raw.size()));
    return out;
}

} // namespace

uint32_t hostCrc32(const uint8_t* data, size_t size, uint32_t crc) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

uint32_t hostAdler32(const uint8_t* data, size_t size, uint32_t adler) {
    constexpr uint32_t kModulus = 65521;
    uint32_t a = adler & 0xffff;
    uint32_t b = adler >> 16;
    for (size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % kModulus;
        b = (b + a) % kModulus;
    }
    return (b << 16) | a;
}

bool hostWritePng(const char* path, const std::vector<uint32_t>& pixels, int width, int height) {
    if (!path || width <= 0 || height <= 0 ||
        pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        return false;
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(height) * (1 + 3 * static_cast<size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // filter: none
        for (int x = 0; x < width; ++x) {
            const uint32_t pixel = pixels[static_cast<size_t>(y) * width + x];
            raw.push_back(static_cast<uint8_t>(pixel >> 16));
            raw.push_back(static_cast<uint8_t>(pixel >> 8));
            raw.push_back(static_cast<uint8_t>(pixel));
        }
    }
    std::vector<uint8_t> header;
    putBigEndian(header, static_cast<uint32_t>(width));
    putBigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(),
                  {8, 2, 0, 0, 0}); // 8 bits, truecolour, deflate, no filter, no interlace
    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    putChunk(file, "IHDR", header);
    putChunk(file, "IDAT", storedZlib(raw));
    putChunk(file, "IEND", {});

    // Written beside the target and moved over it, so a failed write leaves no half picture.
    const std::string temporary = std::string(path) + ".tmp";
    FILE* out = fopen(temporary.c_str(), "wb");
    if (!out)
        return false;
    const bool written = fwrite(file.data(), 1, file.size(), out) == file.size();
    const bool closed = fclose(out) == 0;
    if (!written || !closed || !MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

bool hostCaptureWindow(HWND window, std::vector<uint32_t>& pixels, int& width, int& height) {
    RECT rect = {};
    if (!IsWindow(window) || !GetClientRect(window, &rect))
        return false;
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return false;
    Canvas canvas(width, height);
    if (!canvas.ok() || !canvas.copyFrom(window))
        return false;
    pixels = canvas.pixels();
    return true;
}
