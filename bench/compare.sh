#!/usr/bin/env bash
# One table: every load, AutoStats and the LockIn beside the reference (a
# plain C loader of the same samples into one huge-page buffer, a plain
# pass over the same memory, the same sums in the same order), NumPy and
# `cat`, all in the same run.
#
#   bench/compare.sh [BUILD_DIR]   KWT_BENCH_RUNS runs per figure (default 5),
#                                  KWT_BENCH_PM_MB, KWT_BENCH_MB the sizes of
#                                  the PatchMaster and Pulse recordings
#                                  (default 1000 and 500)
#
# Every figure is the best of the runs, with the spread (largest minus
# smallest) after it.  Whole-program figures are the seconds of the whole
# process; NumPy's are timed inside Python (its start is not counted).
#
# This machine is a virtual machine whose freshly mapped memory is cheap
# only for a few seconds after it was last freed: each timed load runs
# right after a warm-up that maps, touches and frees about the size of the
# waves ("warm").  The "cold" rows run without it, each load as the first
# to use that much memory for a while.
set -euo pipefail
build=${1:-build/default}
runs=${KWT_BENCH_RUNS:-5}
pm_mb=${KWT_BENCH_PM_MB:-1000}
pulse_mb=${KWT_BENCH_MB:-500}
kwt="$build/apps/kwt/kwt"
ref="$build/bench/reference_load"
python=/usr/bin/python3
dir="$build/bench-data/compare"
mkdir -p "$dir"
trap 'rm -f "$dir"/big* "$dir"/time.txt "$dir"/prefs.bin' EXIT

have_numpy=1
"$python" -c "import numpy" 2> /dev/null || have_numpy=0

# ---- the recordings ----
read -r _ pm_offset pm_count pm_scaler _ < <("$build/examples/make_bench_pm_recording" "$dir" "$pm_mb" 2> /dev/null)
printf '%s %s i16 le %s\n' "$pm_offset" "$pm_count" "$pm_scaler" > "$dir/big_pm.plan"
"$build/examples/make_bench_recording" "$dir" "$pulse_mb" > /dev/null

# Seconds and peak KiB of one whole command, or "" when it failed.
timed() {
  if /usr/bin/time -f "%e %M" -o "$dir/time.txt" "$@" > /dev/null 2>&1; then
    cat "$dir/time.txt"
  else
    echo ""
  fi
}

# NumPy's side: every plan line read with one fromfile, converted to
# 32-bit floats and scaled, all kept as the waves are.
numpy_seconds() {
  "$python" - "$1" "$2" << 'PY'
import sys, time
import numpy as np
data, plan = sys.argv[1], sys.argv[2]
items = [line.split() for line in open(plan)]
types = {("i16", "le"): "<i2", ("i16", "be"): ">i2", ("i32", "le"): "<i4",
         ("i32", "be"): ">i4", ("f32", "le"): "<f4", ("f32", "be"): ">f4"}
start = time.perf_counter()
arrays = []
for offset, count, fmt, order, factor in items:
    a = np.fromfile(data, dtype=types[(fmt, order)], count=int(count), offset=int(offset))
    a = a.astype(np.float32)
    a *= np.float32(float(factor))
    arrays.append(a)
print("%.3f" % (time.perf_counter() - start))
PY
}

# best and spread of a list of seconds: "best spread"
summary() { printf '%s\n' $* | sort -g | awk 'NF { if (n++ == 0) lo = $1; hi = $1 } END {
  if (n == 0) print "- -"; else printf "%.3f %.3f\n", lo, hi - lo }'; }

printf '%-30s %15s %15s %15s %15s %8s %8s %8s %s\n' operation KWT reference NumPy cat \
  KWT/ref KWT/np KWT/cat "peak MiB (waves)"
row() {  # name kwt[] ref[] np[] cat[] peak waves
  local name=$1 k=$2 r=$3 n=$4 c=$5 peak=$6 waves=$7
  read -r kb ks <<< "$(summary $k)"
  read -r rb rs <<< "$(summary $r)"
  read -r nb ns <<< "$(summary $n)"
  read -r cb cs <<< "$(summary $c)"
  awk -v name="$name" -v kb="$kb" -v ks="$ks" -v rb="$rb" -v rs="$rs" -v nb="$nb" -v ns="$ns" \
      -v cb="$cb" -v cs="$cs" -v peak="$peak" -v waves="$waves" 'BEGIN {
    f = "%-30s %15s %15s %15s %15s %8s %8s %8s %s\n"
    printf f, name, cell(kb, ks), cell(rb, rs), cell(nb, ns), cell(cb, cs),
      (rb + 0 > 0 ? sprintf("%.2f", kb / rb) : "-"), (nb + 0 > 0 ? sprintf("%.2f", kb / nb) : "-"),
      (cb + 0 > 0 ? sprintf("%.2f", kb / cb) : "-"), peak (waves != "" ? " (" waves ")" : "")
  }
  function cell(best, spread) { return best == "-" ? "-" : best "±" spread }'
}

# ---- loads ----
load_rows() {  # label data plan waves_mib kwt-command...
  local label=$1 data=$2 plan=$3 waves=$4
  shift 4
  local warm_k="" warm_r="" warm_n="" cold_k="" cold_r="" cats="" peak=0 t
  cat "$data" > /dev/null  # into the page cache
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N); cat "$data" > /dev/null; end=$(date +%s.%N)
    cats+=" $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')"
    "$ref" --warm "$waves"
    rm -f "$dir/prefs.bin"
    t=$(timed "$kwt" -q --prefs "$dir/prefs.bin" "$@")
    if [ -n "$t" ]; then
      warm_k+=" ${t% *}"
      [ "${t#* }" -gt "$peak" ] && peak=${t#* }
    fi
    "$ref" --warm "$waves"
    t=$(timed "$ref" "$data" "$plan")
    [ -n "$t" ] && warm_r+=" ${t% *}"
    if [ "$have_numpy" = 1 ]; then
      "$ref" --warm "$waves"
      warm_n+=" $(numpy_seconds "$data" "$plan")"
    fi
  done
  row "$label (warm)" "$warm_k" "$warm_r" "$warm_n" "$cats" $((peak / 1024)) "$waves"
  # Cold: a pause first, so that what the last run freed is no longer cheap.
  for _ in $(seq "$runs"); do
    sleep 5
    t=$(timed "$kwt" -q --prefs "$dir/prefs.bin" "$@")
    [ -n "$t" ] && cold_k+=" ${t% *}"
    sleep 5
    t=$(timed "$ref" "$data" "$plan")
    [ -n "$t" ] && cold_r+=" ${t% *}"
  done
  row "$label (cold)" "$cold_k" "$cold_r" "" "$cats" "" ""
}

pm_waves=$((pm_count * 4 / 1048576))
load_rows "LoadPM/Q/O ${pm_mb} MB int16" "$dir/big_pm.dat" "$dir/big_pm.plan" "$pm_waves" \
  "LoadPM/Q/O \"$dir/big_pm.dat\""
pulse_points=$(awk '{ n += $2 } END { print n }' "$dir/big.plan")
pulse_waves=$((pulse_points * 4 / 1048576))
load_rows "LoadPulse/Q/O ${pulse_mb} MB" "$dir/big.dat" "$dir/big.plan" "$pulse_waves" \
  "LoadPulse/Q/O \"$dir/big.dat\""

# ---- AutoStats and the LockIn (Google Benchmark, milliseconds) ----
# The CSV's real_time of a benchmark, best of the repetitions with spread.
bench_ms() {  # program filter
  "$1" --benchmark_filter="$2" --benchmark_repetitions="$runs" --benchmark_format=csv \
      2> /dev/null | awk -F, -v want="\"$3\"" '$1 == want { print $3 }'
}
stats_numpy() {
  "$python" - << 'PY'
import time
import numpy as np
rng = np.random.default_rng(1)
a = (np.arange(1000000, dtype=np.float32) % 4096 + rng.random((100, 1000000), dtype=np.float32))
a[rng.random(a.shape) < 0.001] = np.nan
best = None
for _ in range(3):
    start = time.perf_counter()
    valid = ~np.isnan(a)
    num = valid.sum(axis=0)
    mean = np.nanmean(a, axis=0, dtype=np.float64)
    sdev = np.nanstd(a, axis=0, dtype=np.float64, ddof=1)
    sem = sdev / np.sqrt(num)
    mn, mx = np.nanmin(a, axis=0), np.nanmax(a, axis=0)
    t = time.perf_counter() - start
    best = t if best is None else min(best, t)
print("%.1f" % (best * 1000))
PY
}
wu="$build/bench/waveutils_bench"
li="$build/bench/lockin_bench"
if [ -x "$wu" ]; then
  np_ms=""
  [ "$have_numpy" = 1 ] && np_ms=$(stats_numpy)
  row "AutoStats 100x1M (ms)" "$(bench_ms "$wu" 'BM_(AutoStats|MemoryPass)_100x1M$' BM_AutoStats_100x1M)" \
    "$(bench_ms "$wu" 'BM_(AutoStats|MemoryPass)_100x1M$' BM_MemoryPass_100x1M)" "$np_ms" "" "" ""
fi
if [ -x "$li" ]; then
  for n in 20 100 1000; do
    k=$(bench_ms "$li" "BM_ComputeLockIn/points_per_cycle:$n/leak:0\$" \
      "BM_ComputeLockIn/points_per_cycle:$n/leak:0")
    r=$(bench_ms "$li" "BM_ReferenceSums/points_per_cycle:$n\$" "BM_ReferenceSums/points_per_cycle:$n")
    row "LockIn 1M at $n/cycle (ms)" "$k" "$r" "" "" "" ""
  done
fi
echo "warm: each load right after mapping, touching and freeing the waves' size;"
echo "cold: each load after a 5 s pause; figures: best of $runs ± spread, seconds unless marked"
