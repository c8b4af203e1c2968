#!/usr/bin/env bash
# Builds the Windows build this kernel runs (the 32-bit one where it can) and runs the benchmark under Wine and Xvfb.
# Usage: scripts/bench.sh [--quick]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
preset=$(scripts/windows_preset.sh)
[ "$preset" = win32 ] || echo "bench: this kernel runs no 32-bit programs: measuring the 64-bit build"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j 2 --target bench
. scripts/wine.sh "build/$preset"
wine_prepare_prefix
cd "build/$preset/bin"
wine_session "$wine_run" bench.exe "$@"
