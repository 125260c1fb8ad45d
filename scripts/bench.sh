#!/bin/bash
# Builds the native preset (RelWithDebInfo, so -O2) and prints speed figures:
# the engine on generated 1, 10 and 100 MB documents and on a 10 MB one as
# dense in control words as current Word output (with control words per KB),
# then, unless given --engine-only, corvane-cli as a whole process on that
# document next to cat on the same input (scripts/bench-process.py: standard
# input, file argument, peak memory), on folder trees of small documents
# (scripts/bench-tree.sh) and with 1, 2 and 4 workers on a folder of large
# ones (scripts/bench-jobs.sh). CORVANE_BENCH_CORPUS=folder adds a real
# corpus to the engine's figures. Other arguments go to corvane-bench, for
# example --benchmark_filter=10MB. Figures only: nothing here passes or fails
# on time.
set -euo pipefail
cd "$(dirname "$0")/.."

engine_only=0
bench_args=()
for arg in "$@"; do
  case $arg in
    --engine-only) engine_only=1 ;;
    *) bench_args+=("$arg") ;;
  esac
done

cmake --preset native >/dev/null
# Only the targets measured here, so that unfinished work elsewhere in the
# tree does not hold the figures up.
cmake --build --preset native --target corvane-bench corvane-cli corvane-benchgen

json=build/native/bench-engine.json
echo
echo "== Engine: RenderRtfAsHtml and RenderRtfAsFullTextHtml on generated documents (CPU time, 5 repetitions)"
echo "   load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) CPUs"
build/native/corvane-bench --benchmark_repetitions=5 --benchmark_display_aggregates_only=true \
  --benchmark_counters_tabular=true --benchmark_out="$json" --benchmark_out_format=json \
  "${bench_args[@]}"

if command -v python3 >/dev/null; then
  echo
  python3 - "$json" <<'EOF'
import json, sys

runs = json.load(open(sys.argv[1]))["benchmarks"]
cv = {r["run_name"]: r for r in runs if r.get("aggregate_name") == "cv"}
for r in runs:
    if r.get("aggregate_name") not in (None, "median"):
        continue
    if r.get("aggregate_name") is None and r["run_name"] in cv:
        continue
    line = "%-40s %7.0f MB/s" % (r["run_name"], r["MB/s"])
    if r["run_name"] in cv:
        line += " (median, cv %.1f%%)" % (100 * cv[r["run_name"]]["MB/s"])
    if "cw/KB" in r:
        line += "  %3.0f control words/KB" % r["cw/KB"]
    line += "  in %.2f MB" % r["in_MB"]
    if "out_MB" in r:
        line += ", out %.2f MB" % r["out_MB"]
    if "peak_MB" in r:
        line += ", peak RSS +%.2f MB = %.2f x (in+out), address space +%.1f MB" % (
            r["peak_MB"], r["peak/(in+out)"], r["addr_MB"])
    print(line)
EOF
fi

if [ "$engine_only" -eq 0 ]; then
  echo
  python3 scripts/bench-process.py build/native/corvane-cli build/native/corvane-benchgen \
    build/native/bench-process
  scripts/bench-tree.sh
  scripts/bench-jobs.sh
fi
