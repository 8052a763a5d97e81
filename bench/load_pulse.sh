#!/usr/bin/env bash
# Load throughput of LoadPulse: a whole `kwt -q` run that loads every sweep
# of a large Pulse recording held in the page cache, beside `cat` of the same
# file in the same run, and the peak memory of the kwt run.
#
#   bench/load_pulse.sh [BUILD_DIR]      (KWT_BENCH_MB sets the size, default 600)
set -euo pipefail
build=${1:-build/default}
size_mb=${KWT_BENCH_MB:-600}
runs=${KWT_BENCH_RUNS:-3}
dir="$build/bench-data/load_pulse"
kwt="$build/apps/kwt/kwt"
gen="$build/examples/make_bench_recording"
data="$dir/big.dat"

mkdir -p "$dir"
if [ ! -f "$data" ] || [ "$(stat -c %s "$data")" -lt $((size_mb * 1000000)) ]; then
  "$gen" "$dir" "$size_mb"
fi
bytes=$(stat -c %s "$data")
mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1e6 }')

# Into the page cache first, so that both sides read memory, not the disk.
cat "$data" > /dev/null

now() { date +%s.%N; }
rate() { awk -v b="$bytes" -v t="$1" 'BEGIN { printf "%.0f", b / 1e6 / t }'; }

echo "recording: $data, $mb MB of samples"
best_cat=""
best_kwt=""
peak_kb=0
for i in $(seq "$runs"); do
  start=$(now)
  cat "$data" > /dev/null
  cat_s=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }')

  /usr/bin/time -f "%e %M" -o "$dir/time.txt" \
    "$kwt" -q --prefs "$dir/prefs.bin" "LoadPulse \"$data\""
  read -r kwt_s kb < "$dir/time.txt"
  [ "$kb" -gt "$peak_kb" ] && peak_kb=$kb

  printf 'run %d: cat %6.3f s (%s MB/s)   kwt -q LoadPulse %6.3f s (%s MB/s), peak %d MiB\n' \
    "$i" "$cat_s" "$(rate "$cat_s")" "$kwt_s" "$(rate "$kwt_s")" $((kb / 1024))
  if [ -z "$best_cat" ] || awk -v a="$cat_s" -v b="$best_cat" 'BEGIN { exit !(a < b) }'; then best_cat=$cat_s; fi
  if [ -z "$best_kwt" ] || awk -v a="$kwt_s" -v b="$best_kwt" 'BEGIN { exit !(a < b) }'; then best_kwt=$kwt_s; fi
done
# The waves hold 4 bytes per sample: this recording's mix of 2- and 4-byte
# samples makes them 4/3 of its size, which bounds the peak from below.
echo "best: cat $(rate "$best_cat") MB/s, kwt -q LoadPulse $(rate "$best_kwt") MB/s of samples;" \
     "peak memory $((peak_kb / 1024)) MiB for $mb MB of samples"
