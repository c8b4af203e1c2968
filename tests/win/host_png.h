// Reads back the shell's screenshots: 8-bit truecolour PNG whose zlib stream holds only stored
// blocks. Checks every chunk's CRC and the stream's Adler-32 with its own arithmetic, so that a
// fault in the writer's checksums is not mirrored here.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "win/win_files.h"

struct DecodedPng {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, top row first
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

namespace png_check {

inline uint32_t crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xffffffffu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline uint32_t adler32(const std::vector<uint8_t>& data) {
    uint64_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return static_cast<uint32_t>((b << 16) | a);
}

inline uint32_t bigEndian(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

} // namespace png_check

// Empty on success, else what is wrong.
inline std::string decodePng(const std::vector<uint8_t>& file, DecodedPng& image) {
    using namespace png_check;
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (file.size() < 8 || !std::equal(signature, signature + 8, file.begin()))
        return "no PNG signature";
    std::vector<uint8_t> zlib;
    bool header = false, end = false;
    size_t at = 8;
    while (at + 12 <= file.size() && !end) {
        const uint32_t length = bigEndian(&file[at]);
        if (length > file.size() - at - 12)
            return "chunk runs past the end";
        const std::string type(reinterpret_cast<const char*>(&file[at + 4]), 4);
        const uint8_t* data = &file[at + 8];
        if (crc32(&file[at + 4], length + 4) != bigEndian(data + length))
            return "bad CRC in " + type;
        if (type == "IHDR") {
            if (length != 13)
                return "IHDR of wrong length";
            image.width = static_cast<int>(bigEndian(data));
            image.height = static_cast<int>(bigEndian(data + 4));
            if (data[8] != 8 || data[9] != 2 || data[10] || data[11] || data[12])
                return "not 8-bit truecolour, deflate, no interlace";
            header = true;
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), data, data + length);
        } else if (type == "IEND") {
            end = true;
        }
        at += 12 + length;
    }
    if (!header || !end)
        return "IHDR or IEND missing";
    if (zlib.size() < 6 || ((zlib[0] << 8) | zlib[1]) % 31 != 0 || (zlib[0] & 0x0f) != 8)
        return "bad zlib header";
    std::vector<uint8_t> raw;
    size_t p = 2;
    for (bool last = false; !last;) {
        if (p + 5 > zlib.size())
            return "deflate stream cut";
        last = zlib[p] & 1;
        if ((zlib[p] >> 1) != 0)
            return "not a stored block";
        const unsigned len = zlib[p + 1] | (zlib[p + 2] << 8);
        const unsigned nlen = zlib[p + 3] | (zlib[p + 4] << 8);
        if ((len ^ 0xffffu) != nlen)
            return "stored block length check fails";
        p += 5;
        if (p + len > zlib.size())
            return "stored block runs past the end";
        raw.insert(raw.end(), zlib.begin() + static_cast<ptrdiff_t>(p),
                   zlib.begin() + static_cast<ptrdiff_t>(p + len));
        p += len;
    }
    if (p + 4 != zlib.size() || adler32(raw) != bigEndian(&zlib[p]))
        return "bad Adler-32 or trailing bytes";
    const size_t row = 1 + 3 * static_cast<size_t>(image.width);
    if (raw.size() != row * static_cast<size_t>(image.height))
        return "pixel data of wrong size";
    image.pixels.clear();
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* line = &raw[static_cast<size_t>(y) * row];
        if (line[0] != 0)
            return "row filter other than none";
        for (int x = 0; x < image.width; ++x)
            image.pixels.push_back((uint32_t(line[1 + 3 * x]) << 16) |
                                   (uint32_t(line[2 + 3 * x]) << 8) | line[3 + 3 * x]);
    }
    return "";
}

inline std::string decodePngFile(const char* path, DecodedPng& image) {
    const std::string bytes = readFile(path, "");
    if (bytes.empty())
        return std::string("cannot read ") + path;
    return decodePng(std::vector<uint8_t>(bytes.begin(), bytes.end()), image);
}
