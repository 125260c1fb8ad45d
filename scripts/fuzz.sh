#!/bin/bash
# Fuzzes the engine against the reference renderer for SECONDS (default 600)
# with inputs of at most MAX_LEN bytes (default 1 MiB; make test uses a few
# KB, where most faults live and a minute reaches far more executions):
# builds the fuzz preset, rebuilds the seeds, then runs libFuzzer. Inputs that
# add coverage collect in build/fuzz/corpus across runs; a crash, a
# difference, a timeout or an out-of-memory ends the run with a non-zero exit
# and leaves the input in build/fuzz/findings. Reproduce one with
#   build/fuzz/engine_fuzz build/fuzz/findings/<file>
# or look at its output with build/native/corvane-cli - < build/fuzz/findings/<file>.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
max_len=${2:-1048576}
case "$seconds $max_len" in
  *[!0-9\ ]* | " "* | *" ") echo "usage: scripts/fuzz.sh [SECONDS [MAX_LEN]]" >&2; exit 2 ;;
esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target engine_fuzz
scripts/fuzz-seeds.sh

mkdir -p build/fuzz/corpus build/fuzz/findings
# Longer seeds are cut to -max_len. -timeout: a hang, not a slow input, so
# generous.
set +e
build/fuzz/engine_fuzz build/fuzz/corpus build/fuzz/seeds \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len="$max_len" \
  -artifact_prefix=build/fuzz/findings/ -print_final_stats=1 2>&1 | tee build/fuzz/last-run.log
status=${PIPESTATUS[0]}
set -e
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' build/fuzz/last-run.log | tail -1)
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' build/fuzz/last-run.log | tail -1)
echo "fuzz: engine: ${runs:-?} executions, ${rate:-?} a second, inputs up to $max_len bytes"

if [ "$status" -ne 0 ]; then
  echo "fuzz: FAILED (exit $status); findings in build/fuzz/findings:" >&2
  ls -l build/fuzz/findings >&2
fi
exit "$status"
