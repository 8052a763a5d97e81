#!/usr/bin/env bash
# `make bench`: the comparison table of loads, AutoStats and the LockIn
# (compare.sh), then the benchmark programs that have no counterpart there.
set -euo pipefail
build=${1:-build/default}
bench/compare.sh "$build"
for b in "$build"/bench/*_bench; do
  [ -x "$b" ] || continue
  case "$(basename "$b")" in lockin_bench | waveutils_bench) continue ;; esac
  echo "== $(basename "$b")"
  "$b"
done
