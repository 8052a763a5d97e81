#!/usr/bin/env bash
# The speed-up of kwt.batch on a local Dask cluster of 2 worker processes
# over 1: the same 24 PatchMaster bundles (KWT_BENCH_BATCH_COUNT) of up to 15
# sweeps of 50,000 points, each loaded with LoadPM/O and saved as
# .itx, once per cluster size, the cluster's start included.
#
#   bench/batch_dask.sh [BUILD_DIR]
#
# Goal: close to 2x on two free cores; on a machine shared with other work
# it is lower, and the line says how many cores there are.
set -euo pipefail
build=${1:-build/default}
count=${KWT_BENCH_BATCH_COUNT:-24}
dir="$build/bench-data/batch"
python=/usr/bin/python3
if ! PYTHONPATH="$build/python" "$python" -c "import kwt, dask.distributed" 2> /dev/null; then
  echo "batch_dask: skipped (needs the kwt module built and python3-distributed)"
  exit 0
fi
rm -rf "$dir"
mkdir -p "$dir"
trap 'rm -rf "$dir"' EXIT
"$build/examples/make_batch_recordings" "$dir/recordings" "$count" 50000 > /dev/null
PYTHONPATH="$build/python" "$python" bench/batch_dask.py "$dir/recordings" "$dir" 2> /dev/null
