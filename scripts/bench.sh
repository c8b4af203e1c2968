#!/usr/bin/env bash
# Builds the 32-bit Windows build and runs the benchmark under Wine and Xvfb.
# Usage: scripts/bench.sh [--quick]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j 2 --target bench
. scripts/wine.sh build/win32
wine_prepare_prefix
cd build/win32/bin
wine_session wine bench.exe "$@"
