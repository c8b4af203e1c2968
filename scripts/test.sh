#!/usr/bin/env bash
# Builds and runs every test: native (ASan, UBSan), the fuzzers briefly, the 32-bit Windows build
# under Wine, and last the 64-bit build of the DLL.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
ctest --preset native -j "$jobs"

# A short run of every fuzzer from its committed seeds (VELNOR_FUZZ_SECONDS each).
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz -j "$jobs"

# The same source for x86_64: it must keep building with warnings as errors (no tests run there).
# Built before the win32 tests, so that the release zip they make packs this 64-bit DLL.
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs" --target Velnor

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
. scripts/wine.sh build/win32
wine_prepare_prefix
wine_session ctest --preset win32 -j "$jobs"
