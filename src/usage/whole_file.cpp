#include "usage/whole_file.h"

#include <cstdio>
#include <cstdlib>

#include "types.h"

namespace {

bool writeAll(HANDLE file, const char* bytes, std::size_t length) {
    while (length > 0) {
        DWORD chunk = length > 0x40000000 ? 0x40000000 : static_cast<DWORD>(length);
        DWORD written = 0;
        if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        length -= written;
    }
    return true;
}

} // namespace

char* readWholeFile(const char* path, std::size_t limit, std::size_t& size, DWORD& error) {
    size = 0;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return nullptr;
    }
    LARGE_INTEGER length{};
    char* text = nullptr;
    error = 0;
    if (!GetFileSizeEx(file, &length))
        error = GetLastError();
    else if (static_cast<unsigned long long>(length.QuadPart) > limit ||
             length.QuadPart > 0x7FFFFFFE)
        error = ERROR_FILE_TOO_LARGE;
    else if ((text = static_cast<char*>(
                  std::malloc(static_cast<std::size_t>(length.QuadPart) + 1))) == nullptr)
        error = ERROR_NOT_ENOUGH_MEMORY;
    DWORD read = 0;
    if (text && !ReadFile(file, text, static_cast<DWORD>(length.QuadPart), &read, nullptr))
        error = GetLastError();
    else if (text && read != length.QuadPart)
        error = ERROR_READ_FAULT; // the file shrank while it was read
    if (error && text) {
        std::free(text);
        text = nullptr;
    }
    CloseHandle(file);
    if (text) {
        text[read] = '\0';
        size = read;
    }
    return text;
}

bool replaceFile(const char* path, const FilePart* parts, std::size_t count, DWORD& error) {
    char temporary[kPathSize + 8];
    std::snprintf(temporary, sizeof temporary, "%s.new", path);
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    bool done = true;
    for (std::size_t i = 0; done && i < count; ++i)
        done = writeAll(file, parts[i].bytes, parts[i].length);
    done = done && FlushFileBuffers(file);
    error = done ? 0 : GetLastError();
    CloseHandle(file);
    if (done && !MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        done = false;
        error = GetLastError();
    }
    if (!done)
        DeleteFileA(temporary);
    return done;
}
