// The ledger's text file (Velnor.usage), read from and written to memory; the caller does the file
// I/O. One record a line, fields separated by tabs; the writer's header comment describes them.
// Win32-free.
#pragma once

#include <cstddef>

#include "usage/ledger.h"

struct LedgerReadResult {
    bool ok;
    bool noMemory;   // a line could not be stored: the file is not damaged, only not read
    char reason[64]; // when damaged, the first damaged line: "line 12: no such date"
};

// Adds the records of `length` bytes of `text` (any bytes) to `ledger`. A damaged line is skipped
// and the rest read, so that a save after it keeps every good line.
LedgerReadResult readLedger(const char* text, std::size_t length, UsageLedger& ledger);

// The whole file, NUL-terminated, malloc'ed (the caller frees it), `length` bytes without the NUL:
// the header, interfaces, checkpoints, then months and days, each by date and interface. Null
// without memory.
char* writeLedger(const UsageLedger& ledger, std::size_t& length);
