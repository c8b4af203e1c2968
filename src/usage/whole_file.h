// Files read and replaced whole. A file is replaced by writing the new one beside it, flushing it
// to disk and moving it over the old one in one step, so that a failure at any point leaves the
// old file as it was.
#pragma once

#include <cstddef>

#include "platform.h"

// The file at `path`, opened with any sharing (an editor or a spreadsheet may hold it), in a block
// of its own ending in a zero byte, released with std::free. Null with the system's error when it
// cannot be read: ERROR_FILE_NOT_FOUND when there is none, ERROR_FILE_TOO_LARGE when it holds
// more than `limit` bytes.
char* readWholeFile(const char* path, std::size_t limit, std::size_t& size, DWORD& error);

struct FilePart {
    const char* bytes;
    std::size_t length;
};

// The parts, in order, become the file at `path`. False, with the system's error, when any step
// failed; the new file beside it is removed then.
bool replaceFile(const char* path, const FilePart* parts, std::size_t count, DWORD& error);
