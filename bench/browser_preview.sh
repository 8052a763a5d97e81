#!/usr/bin/env bash
# The file browser's answer to choosing a sweep of a 1 GB PatchMaster bundle
# held in the page cache: from the event to the finished drawing commands
# (bench/browser_preview_bench.cpp), best of several repetitions and their
# spread.
#
#   bench/browser_preview.sh [BUILD_DIR]   (KWT_BENCH_PM_MB sets the size,
#                                           default 1100)
set -euo pipefail
build=${1:-build/default}
size_mb=${KWT_BENCH_PM_MB:-1100}
dir="$build/bench-data/browser_preview"
gen="$build/examples/make_bench_pm_recording"
data="$dir/big_pm.dat"

mkdir -p "$dir"
trap 'rm -f "$data"' EXIT
"$gen" "$dir" "$size_mb" > /dev/null
cat "$data" > /dev/null  # into the page cache
KWT_BENCH_BROWSER_PM="$data" "$build/bench/browser_preview_bench" \
    --benchmark_repetitions=7 --benchmark_min_time=0.2
