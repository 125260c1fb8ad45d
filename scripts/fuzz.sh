#!/bin/bash
# Fuzzes the engine against the reference renderer for SECONDS (default 600):
# builds the fuzz preset, rebuilds the seeds, then runs libFuzzer. Inputs that
# add coverage collect in build/fuzz/corpus across runs; a crash, a
# difference, a timeout or an out-of-memory ends the run with a non-zero exit
# and leaves the input in build/fuzz/findings. Reproduce one with
#   build/fuzz/engine_fuzz build/fuzz/findings/<file>
# or look at its output with build/native/corvane-cli - < build/fuzz/findings/<file>.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
case $seconds in
  ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target engine_fuzz
scripts/fuzz-seeds.sh

mkdir -p build/fuzz/corpus build/fuzz/findings
# -max_len: big enough for real documents, small enough to keep the run fast;
# longer seeds are cut to it. -timeout: a hang, not a slow input, so generous.
status=0
build/fuzz/engine_fuzz build/fuzz/corpus build/fuzz/seeds \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=1048576 \
  -artifact_prefix=build/fuzz/findings/ -print_final_stats=1 || status=$?

if [ "$status" -ne 0 ]; then
  echo "fuzz: FAILED (exit $status); findings in build/fuzz/findings:" >&2
  ls -l build/fuzz/findings >&2
fi
exit "$status"
