#!/bin/bash
# Fuzzes for SECONDS (default 600), a sixth each on the engine against
# the reference renderer, the .docx, the .doc, the .xls and the web page
# reader and the readers through the import libraries (WordPerfect, Works,
# Write, Lotus, Mac Word), the engine with inputs of at most
# MAX_LEN bytes (default 1 MiB; make test uses a few KB, where most faults
# live and a minute reaches far more executions; the reader's packages keep
# 1 MiB): builds the fuzz preset, rebuilds the seeds, then runs libFuzzer on
# each. Inputs that add coverage collect in build/fuzz/corpus and
# build/fuzz/<target>-corpus across runs; a crash, a
# difference, a timeout or an out-of-memory ends the run with a non-zero exit
# and leaves the input in build/fuzz/findings. Reproduce one with
#   build/fuzz/engine_fuzz build/fuzz/findings/<file>   (or docx_fuzz ... revenge_fuzz)
# or look at its output with build/native/corvane-cli - < build/fuzz/findings/<file>.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
max_len=${2:-1048576}
case "$seconds $max_len" in
  *[!0-9\ ]* | " "* | *" ") echo "usage: scripts/fuzz.sh [SECONDS [MAX_LEN]]" >&2; exit 2 ;;
esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target engine_fuzz docx_fuzz doc_fuzz xls_fuzz html_fuzz revenge_fuzz
scripts/fuzz-seeds.sh

mkdir -p build/fuzz/corpus build/fuzz/docx-corpus build/fuzz/doc-corpus build/fuzz/xls-corpus \
  build/fuzz/html-corpus build/fuzz/revenge-corpus build/fuzz/findings
engine_seconds=$((seconds / 6))
docx_seconds=$((seconds / 6))
doc_seconds=$((seconds / 6))
xls_seconds=$((seconds / 6))
html_seconds=$((seconds / 6))
revenge_seconds=$((seconds - engine_seconds - docx_seconds - doc_seconds - xls_seconds - html_seconds))

# Runs fuzz target $1 on corpus $2 with seeds $3 for $4 seconds, inputs up
# to $5 bytes (longer seeds are cut); prints its executions and their rate.
# -timeout: a hang, not a slow input, so generous.
run_target() {
  local log=build/fuzz/$1.log rc runs rate
  set +e
  "build/fuzz/$1" "$2" "$3" -max_total_time="$4" -timeout=10 -rss_limit_mb=4096 \
    -max_len="$5" -artifact_prefix="build/fuzz/findings/$1-" -print_final_stats=1 2>&1 | tee "$log"
  rc=${PIPESTATUS[0]}
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  echo "fuzz: $1: ${runs:-?} executions, ${rate:-?} a second, inputs up to $5 bytes"
  return "$rc"
}

status=0
run_target engine_fuzz build/fuzz/corpus build/fuzz/seeds "$engine_seconds" "$max_len" || status=$?
if [ "$status" -eq 0 ]; then
  run_target docx_fuzz build/fuzz/docx-corpus build/fuzz/docx-seeds "$docx_seconds" 1048576 ||
    status=$?
fi
if [ "$status" -eq 0 ]; then
  run_target doc_fuzz build/fuzz/doc-corpus build/fuzz/doc-seeds "$doc_seconds" 262144 ||
    status=$?
fi
if [ "$status" -eq 0 ]; then
  run_target xls_fuzz build/fuzz/xls-corpus build/fuzz/xls-seeds "$xls_seconds" 262144 ||
    status=$?
fi
if [ "$status" -eq 0 ]; then
  run_target html_fuzz build/fuzz/html-corpus build/fuzz/html-seeds "$html_seconds" 262144 ||
    status=$?
fi
if [ "$status" -eq 0 ]; then
  run_target revenge_fuzz build/fuzz/revenge-corpus build/fuzz/revenge-seeds "$revenge_seconds" \
    262144 || status=$?
fi

if [ "$status" -ne 0 ]; then
  echo "fuzz: FAILED (exit $status); findings in build/fuzz/findings:" >&2
  ls -l build/fuzz/findings >&2
fi
exit "$status"
