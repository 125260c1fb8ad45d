#!/bin/bash
# Fuzzes for SECONDS (default 600), half on the engine against the reference
# renderer and half on the .docx reader: builds the fuzz preset, rebuilds the
# seeds, then runs libFuzzer on each. Inputs that add coverage collect in
# build/fuzz/corpus and build/fuzz/docx-corpus across runs; a crash, a
# difference, a timeout or an out-of-memory ends the run with a non-zero exit
# and leaves the input in build/fuzz/findings. Reproduce one with
#   build/fuzz/engine_fuzz build/fuzz/findings/<file>   (or docx_fuzz)
# or look at its output with build/native/corvane-cli - < build/fuzz/findings/<file>.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
case $seconds in
  ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;;
esac

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target engine_fuzz docx_fuzz
scripts/fuzz-seeds.sh

mkdir -p build/fuzz/corpus build/fuzz/docx-corpus build/fuzz/findings
engine_seconds=$((seconds / 2))
docx_seconds=$((seconds - engine_seconds))
# -max_len: big enough for real documents, small enough to keep the run fast;
# longer seeds are cut to it. -timeout: a hang, not a slow input, so generous.
status=0
build/fuzz/engine_fuzz build/fuzz/corpus build/fuzz/seeds \
  -max_total_time="$engine_seconds" -timeout=10 -rss_limit_mb=4096 -max_len=1048576 \
  -artifact_prefix=build/fuzz/findings/ -print_final_stats=1 || status=$?
if [ "$status" -eq 0 ]; then
  build/fuzz/docx_fuzz build/fuzz/docx-corpus build/fuzz/docx-seeds \
    -max_total_time="$docx_seconds" -timeout=10 -rss_limit_mb=4096 -max_len=1048576 \
    -artifact_prefix=build/fuzz/findings/docx- -print_final_stats=1 || status=$?
fi

if [ "$status" -ne 0 ]; then
  echo "fuzz: FAILED (exit $status); findings in build/fuzz/findings:" >&2
  ls -l build/fuzz/findings >&2
fi
exit "$status"
