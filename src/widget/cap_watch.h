// The running widget's allowance: the limit of the installed settings while a ledger is kept, the
// period's clock, the labels' warning level and the tooltip's lines.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/cap.h"
#include "types.h"
#include "widget/figures.h"

// No limit (bytes 0) unless a ledger is kept: with boot the keys are read and ignored.
CapLimit currentCapLimit();
// The received plus sent bytes of `figures`, held below 2^63.
std::int64_t capUsed(const LabelFigures& figures);
// The period of the kept ledger now: today's with day, the billing period's with month.
CapClock capClockNow();
// The tooltip's lines about the limit, each after "\r\n"; nothing without a limit.
int composeCapLines(char* out, std::size_t size);
