// The usage window's picture against the same GDI calls.
#pragma once

// With the installed settings' style and font: one picture of a 31-day period with 21 days of
// traffic against the GDI calls it cannot do without, with every text and bar height worked out
// beforehand; and the heap allocations of gathering the kept ledger's figures and drawing them.
// False when it could not be measured or a picture allocated.
bool usageWindowFigures(int rounds, int scale);
