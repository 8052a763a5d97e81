#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for FUZZ_SECONDS each, starting
# from the seed corpus.  Findings land in build/fuzz/findings/<target>/.
set -euo pipefail
build=${1:-build/fuzz}
seconds=${FUZZ_SECONDS:-60}
"$build/fuzz/kwt_make_seeds" "$build/fuzz/corpus"
status=0
for target in "$build"/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$build/fuzz/corpus/$name"
  findings="$build/fuzz/findings/$name"
  mkdir -p "$corpus" "$findings"
  # libFuzzer refuses a corpus folder that does not exist; kept findings
  # are passed only for targets that have some.
  inputs=("$corpus")
  [ -d fuzz/regressions/"$name" ] && inputs+=(fuzz/regressions/"$name")
  echo "== $name: $seconds s"
  if ! ASAN_OPTIONS=allocator_may_return_null=1 \
       "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb=1024 \
       -artifact_prefix="$findings/" "${inputs[@]}" 2>&1 | tail -n 3; then
    status=1
  fi
  if [ -n "$(ls -A "$findings")" ]; then
    echo "!! $name: findings in $findings"
    status=1
  fi
done
exit $status
