// The usage ledger's figures, on the scripted table.
#pragma once

// In a temporary folder, removed afterwards: a tick with Velnor.period month and eight interfaces
// on a full ledger against its two queries, its heap allocations, one save of that ledger, and
// the usage window's picture on it; then, without a ledger, a tick with "Velnor.interface: all" on
// the eight interfaces against its two queries, its queries and its heap allocations.
// The scripted library is loaded as `module`. False when a figure could not be measured or a tick
// allocated.
bool usageFigures(const char* module, int rounds, int scale);
