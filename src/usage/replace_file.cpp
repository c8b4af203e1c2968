#include "usage/replace_file.h"

#include <cstdio>

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
