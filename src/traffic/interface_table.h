// The machine's interface table, through the IP helper library looked up at run time.
// Interfaces are addressed by their position in the table, 0 for the first row.
#pragma once

#include <cstdint>

namespace InterfaceTable {

constexpr int kDescriptionMax = 256;

bool load();
int count();
// The description of the row at `position`, valid until the next call; empty outside the table.
const char* description(int position);
// The row's octet counter for `channel`, widened without sign extension; 0 outside the table.
// `found`, when given, tells whether the row was there.
std::int64_t counter(int position, int channel, bool* found = nullptr);
void release();

} // namespace InterfaceTable
