// A file replaced whole: written beside itself, flushed to disk, then moved over the old one in
// one step, so that a failure at any point leaves the old file as it was.
#pragma once

#include <cstddef>

#include "platform.h"

struct FilePart {
    const char* bytes;
    std::size_t length;
};

// The parts, in order, become the file at `path`. False, with the system's error, when any step
// failed; the new file beside it is removed then.
bool replaceFile(const char* path, const FilePart* parts, std::size_t count, DWORD& error);
