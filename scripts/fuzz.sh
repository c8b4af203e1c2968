#!/usr/bin/env bash
# fuzz.sh FUZZER SEEDS WORKDIR [libFuzzer options]: runs one fuzzer from the committed seeds,
# writing what it finds (and any crash input) under WORKDIR only.
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3
shift 3
mkdir -p "$work/corpus"
cd "$work"
exec "$fuzzer" -print_final_stats=1 -rss_limit_mb=2048 -timeout=10 "$@" corpus "$seeds"
