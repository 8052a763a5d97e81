#!/usr/bin/env bash
# Runs every benchmark program of a build, then the whole-program timings.
set -euo pipefail
build=${1:-build/default}
for b in "$build"/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
for s in bench/*.sh; do
  [ "$(basename "$s")" = run.sh ] && continue
  echo "== $(basename "$s")"
  "$s" "$build"
done
