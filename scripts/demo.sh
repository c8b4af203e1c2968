#!/usr/bin/env bash
# Builds the 32-bit Windows build and shows, under Wine, what Velnor measures on this machine.
# Usage: scripts/demo.sh [ticks [position]]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$(nproc)"
. scripts/wine.sh build/win32
wine_prepare_prefix
wine build/win32/bin/ifstat.exe "${1:-3}" "${2:-0}"
