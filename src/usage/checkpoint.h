// The traffic an interface moved while the widget was not counting it: its counters now against
// the checkpoint the ledger kept. Win32-free.
#pragma once

#include <cstdint>

#include "usage/ledger.h"

// Where the checkpoint's uptime is not known (an older file), the boot is told by its time: the
// wall clock minus the uptime, which moves with every clock adjustment, so boots this many seconds
// apart are taken as one. A reboot sooner than that after the last one passes for the same boot;
// its counters, below the checkpoint, then count as after a reset.
constexpr std::int64_t kSameBootSeconds = 300;

// Received and sent bytes to add at start, given the raw readings now, their width, and the boot
// time and uptime (seconds) now. The same boot is an uptime at or above the checkpoint's: it only
// grows within a boot, while a step of the wall clock moves the boot time. Same boot: what the
// counters moved since the checkpoint; a 64-bit counter below it was reset and its reading
// counts, a 32-bit one below it wrapped, so 32-bit counters count modulo 2^32. Another boot, or
// counters that changed width: the readings, all traffic since they started. No checkpoint:
// nothing.
void trafficSinceCheckpoint(const UsageInterface& interface, const std::int64_t readings[2],
                            bool wide, std::int64_t boot, std::int64_t uptime,
                            std::int64_t traffic[2]);
