#!/usr/bin/env bash
# Load throughput of LoadPM: a whole `kwt -q` run that loads every trace of
# a large PatchMaster bundle (16-bit samples) held in the page cache, beside
# `cat` of the same file and NumPy's reading and conversion of the same
# samples to scaled 32-bit floats, in the same run; and the peak memory of
# the kwt run against the size of the waves it makes.
#
#   bench/load_pm.sh [BUILD_DIR]   (KWT_BENCH_PM_MB sets the size, default 1100;
#                                   KWT_BENCH_RUNS the number of runs, default 3)
#
# Goals: the load at least as fast as NumPy's conversion, within 4x of cat,
# and a peak memory of at most the waves' size plus 64 MiB.  The recording
# is removed at the end.
set -euo pipefail
build=${1:-build/default}
size_mb=${KWT_BENCH_PM_MB:-1100}
runs=${KWT_BENCH_RUNS:-3}
dir="$build/bench-data/load_pm"
kwt="$build/apps/kwt/kwt"
gen="$build/examples/make_bench_pm_recording"
python=/usr/bin/python3
data="$dir/big_pm.dat"

mkdir -p "$dir"
trap 'rm -f "$data" "$dir/time.txt" "$dir/prefs.bin"' EXIT
# The generator names where the samples lie: offset, count, scaler, traces.
read -r _ offset count scaler traces < <("$gen" "$dir" "$size_mb")
bytes=$((count * 2))
wave_bytes=$((count * 4))  # the waves hold a 32-bit float per sample
mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1e6 }')
wave_mib=$((wave_bytes / 1048576))

have_numpy=1
"$python" -c "import numpy" 2> /dev/null || have_numpy=0

# Into the page cache first, so that every side reads memory, not the disk.
cat "$data" > /dev/null

now() { date +%s.%N; }
rate() { awk -v b="$bytes" -v t="$1" 'BEGIN { printf "%.0f", b / 1e6 / t }'; }
less() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

# NumPy's side: each trace read from the file, converted to 32-bit floats
# and scaled, all kept as the waves are; timed inside Python.
numpy_seconds() {
  "$python" - "$data" "$offset" "$count" "$scaler" "$traces" << 'EOF'
import sys, time
import numpy as np
path, offset, count, scaler, traces = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), \
    float(sys.argv[4]), int(sys.argv[5])
per = count // traces
start = time.perf_counter()
waves = []
for i in range(traces):
    w = np.fromfile(path, dtype='<i2', count=per, offset=offset + 2 * per * i).astype(np.float32)
    w *= np.float32(scaler)
    waves.append(w)
print("%.3f" % (time.perf_counter() - start))
EOF
}

echo "recording: $data, $mb MB of int16 samples in $traces traces; waves $wave_mib MiB"
best_cat=""
best_kwt=""
best_np=""
peak_kb=0
for i in $(seq "$runs"); do
  start=$(now)
  cat "$data" > /dev/null
  cat_s=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')
  line=$(printf 'run %d: cat %6.3f s (%s MB/s)' "$i" "$cat_s" "$(rate "$cat_s")")
  if [ -z "$best_cat" ] || less "$cat_s" "$best_cat"; then best_cat=$cat_s; fi

  rm -f "$dir/prefs.bin"
  if /usr/bin/time -f "%e %M" -o "$dir/time.txt" \
      "$kwt" -q --prefs "$dir/prefs.bin" "LoadPM/Q/O \"$data\""; then
    read -r kwt_s kb < "$dir/time.txt"
    [ "$kb" -gt "$peak_kb" ] && peak_kb=$kb
    line+=$(printf '   kwt -q LoadPM %6.3f s (%s MB/s), peak %d MiB' \
      "$kwt_s" "$(rate "$kwt_s")" $((kb / 1024)))
    if [ -z "$best_kwt" ] || less "$kwt_s" "$best_kwt"; then best_kwt=$kwt_s; fi
  else
    line+="   kwt -q LoadPM failed"
  fi

  if [ "$have_numpy" = 1 ]; then
    np_s=$(numpy_seconds)
    line+=$(printf '   numpy %6.3f s (%s MB/s)' "$np_s" "$(rate "$np_s")")
    if [ -z "$best_np" ] || less "$np_s" "$best_np"; then best_np=$np_s; fi
  fi
  echo "$line"
done

echo "best: cat $(rate "$best_cat") MB/s${best_np:+, numpy $(rate "$best_np") MB/s}" \
     "of samples"
if [ -z "$best_kwt" ]; then
  echo "kwt -q LoadPM: no run succeeded"
  exit 1
fi
peak_mib=$((peak_kb / 1024))
awk -v k="$best_kwt" -v c="$best_cat" -v n="${best_np:-0}" -v b="$bytes" \
    -v peak="$peak_mib" -v waves="$wave_mib" 'BEGIN {
  printf "kwt -q LoadPM %.0f MB/s; LoadPM/cat time %.2fx (goal <= 4)", b / 1e6 / k, k / c
  if (n > 0) printf "; LoadPM/numpy speed %.2fx (goal >= 1)", n / k
  printf "\n"
  printf "peak memory %d MiB, waves %d MiB: %d MiB above the waves (goal <= 64)\n",
         peak, waves, peak - waves
}'
