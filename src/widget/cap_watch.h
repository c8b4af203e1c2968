// The running widget's allowance: the limit of the installed settings while a ledger is kept, the
// period's clock, the labels' warning level, the tooltip's lines, and the warning balloon shown
// once per threshold per period per run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/cap.h"
#include "types.h"
#include "widget/figures.h"

// The limit of the settings installed at the last start or reload (primeCapWatch); no limit
// (bytes 0) unless a ledger is kept: with boot the keys are read and ignored.
const CapLimit& capLimitInForce();
// The received plus sent bytes of `figures`, held below 2^63.
std::int64_t capUsed(const LabelFigures& figures);
// The period of the kept ledger now: today's with day, the billing period's with month.
CapClock capClockNow();
// The tooltip's lines about the limit, each after "\r\n"; nothing without a limit.
int composeCapLines(char* out, std::size_t size);

// After each tick's count: a balloon when the period's bytes went from below a threshold to at or
// above it, unless that threshold's balloon was shown in this period already. Costs a few
// comparisons when nothing is crossed.
void watchCap();
// After a start or a reload: the new limit, and where the period stands now is no crossing.
void primeCapWatch();
// The stop: the balloon closed and everything forgotten.
void stopCapWatch();
