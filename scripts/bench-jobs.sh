#!/bin/bash
# Times corvane-cli --jobs N over one folder of large Word-dense documents
# and prints the best wall time of each N with its speed-up over one
# worker, and the peak memory of each (when GNU time is there).
#
#   scripts/bench-jobs.sh [JOBS...]        (default: 1 2 4)
#
# BENCH_JOBS_FILES documents (24) of BENCH_JOBS_BYTES bytes (10000000) go
# to build/bench-jobs/src, rewritten only when missing; BENCH_JOBS_RUNS
# timed runs (5) per worker count. Figures only.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=("$@")
if [ ${#jobs[@]} -eq 0 ]; then jobs=(1 2 4); fi
files=${BENCH_JOBS_FILES:-24}
bytes=${BENCH_JOBS_BYTES:-10000000}
runs=${BENCH_JOBS_RUNS:-5}

cmake --preset native >/dev/null
cmake --build --preset native --target corvane-benchgen corvane-cli >/dev/null
cli=build/native/corvane-cli
src=build/bench-jobs/src
mkdir -p "$src"
for i in $(seq 1 "$files"); do
  [ -s "$src/d$i.rtf" ] || build/native/corvane-benchgen rtf-word-dense "$bytes" "$i" >"$src/d$i.rtf"
done
total_mb=$(du -sm "$src" --apparent-size | cut -f1)
echo "bench-jobs: $files documents, $total_mb MB, best of $runs"

one=
for n in "${jobs[@]}"; do
  best=
  for _ in $(seq 1 "$runs"); do
    start=$(date +%s%N)
    "$cli" --jobs "$n" "$src" >/dev/null 2>&1
    elapsed=$(($(date +%s%N) - start))
    if [ -z "$best" ] || [ "$elapsed" -lt "$best" ]; then best=$elapsed; fi
  done
  [ -n "$one" ] || one=$best
  memory=
  if [ -x /usr/bin/time ]; then
    memory=$(/usr/bin/time -f '%M' "$cli" --jobs "$n" "$src" 2>&1 >/dev/null | tail -1)
    memory=", peak ${memory} KB"
  fi
  awk -v n="$n" -v ns="$best" -v one="$one" -v mb="$total_mb" -v mem="$memory" 'BEGIN {
    printf "  --jobs %-3s %7.3f s  %6.0f MB/s  %4.2fx one worker%s\n",
           n, ns / 1e9, mb / (ns / 1e9), one / ns, mem }'
done
