#!/usr/bin/env bash
# The speed-up of kwt.batch on a local Dask cluster of 2 worker processes
# over 1: the same 40 PatchMaster bundles (KWT_BENCH_BATCH_COUNT) of 8
# sweeps of 400,000 points at most, each loaded with LoadPM/O and saved as
# .itx, once per cluster size, the cluster's start included.
#
#   bench/batch_dask.sh [BUILD_DIR]
#
# Goal: close to 2x on two free cores; on a machine shared with other work
# it is lower, and the line says how many cores there are.
set -euo pipefail
build=${1:-build/default}
count=${KWT_BENCH_BATCH_COUNT:-40}
dir="$build/bench-data/batch"
python=/usr/bin/python3
if ! PYTHONPATH="$build/python" "$python" -c "import kwt, dask.distributed" 2> /dev/null; then
  echo "batch_dask: skipped (needs the kwt module built and python3-distributed)"
  exit 0
fi
rm -rf "$dir"
mkdir -p "$dir"
trap 'rm -rf "$dir"' EXIT
"$build/examples/make_batch_recordings" "$dir/recordings" "$count" 400000 > /dev/null
PYTHONPATH="$build/python" "$python" - "$dir" <<'PY'
import os, sys, time
import kwt.batch
d = sys.argv[1]
seconds = {}
for workers in (1, 2):
    out = os.path.join(d, "out%d" % workers)
    start = time.monotonic()
    rows = kwt.batch.run([os.path.join(d, "recordings")], 'LoadPM/O "{file}"', out,
                         workers=workers)
    seconds[workers] = time.monotonic() - start
    assert not any(kwt.batch.failed(r) for r in rows)
print("kwt.batch, %d recordings: 1 worker %.2f s, 2 workers %.2f s, speed-up %.2fx "
      "(%d cores)" % (len(rows), seconds[1], seconds[2], seconds[1] / seconds[2],
                      os.cpu_count()))
PY
