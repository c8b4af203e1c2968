// The traffic an interface moved while the widget was not counting it: its counters now against
// the checkpoint the ledger kept. Win32-free.
#pragma once

#include <cstdint>

#include "usage/ledger.h"

// The boot time is the wall clock minus the uptime, which drifts with every clock adjustment, so
// boots this many seconds apart are taken as one. A reboot sooner than that after the last one
// passes for the same boot; its counters, below the checkpoint, then count as after a reset.
constexpr std::int64_t kSameBootSeconds = 300;

// Received and sent bytes to add at start, given the raw readings now, their width and the boot
// now. Same boot: what the counters moved since the checkpoint (the sampler's rule for a counter
// below it). Another boot, or counters that changed width: the readings, all traffic since they
// started. No checkpoint: nothing.
void trafficSinceCheckpoint(const UsageInterface& interface, const std::int64_t readings[2],
                            bool wide, std::int64_t boot, std::int64_t traffic[2]);
