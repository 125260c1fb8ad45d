#!/bin/bash
# Speed of the .docx reader over the corpus, with pandoc's on the same files
# in the same run: MB/s of .docx input and files/s. corvane is measured in
# process (reader + engine, no disk writes; corvane-docx-bench) and end to
# end (corvane-cli on a copy of the folder); pandoc converts each file to
# HTML. Figures only: nothing passes or fails on time.
#   bench/docx-bench.sh [CORPUS_DIR]   (PANDOC_EVERY=N times pandoc on every Nth file)
set -euo pipefail
cd "$(dirname "$0")/.."

corpus=${1:-${CORVANE_DOCX_CORPUS_DIR:-../shared/corpus/docx}}
[ -d "$corpus" ] || corpus=tests/corpus/docx
[ -d "$corpus" ] || { echo "docx-bench: no corpus folder" >&2; exit 1; }
every=${PANDOC_EVERY:-1}

cmake --preset native >/dev/null
cmake --build --preset native --target corvane-docx-bench corvane-cli >/dev/null

echo "== .docx corpus: $(ls "$corpus" | grep -ci '\.doc[xm]$') files, $(du -sh "$corpus" | cut -f1)"
echo "   load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) CPUs"
build/native/corvane-docx-bench "$corpus" 3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$corpus"/*.docx "$work"/
files=$(ls "$work"/*.docx | wc -l)
bytes=$(cat "$work"/*.docx | wc -c)
start=$(date +%s.%N)
build/native/corvane-cli "$work" >/dev/null 2>&1 || true
end=$(date +%s.%N)
awk -v f="$files" -v b="$bytes" -v s="$start" -v e="$end" 'BEGIN {
  t = e - s; printf "corvane-cli: %d files, %.1f MB in %.3f s: %.1f MB/s, %.0f files/s\n", f, b / 1e6, t, b / 1e6 / t, f / t }'

if ! command -v pandoc >/dev/null; then
  echo "pandoc: not installed (scripts/install-deps.sh)"
  exit 0
fi
list=$(ls "$corpus"/*.docx | awk -v n="$every" 'NR % n == 0')
pfiles=$(echo "$list" | wc -l)
pbytes=$(echo "$list" | xargs cat | wc -c)
# Wall time, and the CPU time of the pandoc processes (the figure to compare
# with corvane's CPU time on a busy machine).
TIMEFORMAT='%R %U %S'
times=$( { time (echo "$list" | while read -r file; do
  pandoc -f docx -t html "$file" -o /dev/null 2>/dev/null || true; done) ; } 2>&1 )
read -r wall user sys <<<"$times"
awk -v f="$pfiles" -v b="$pbytes" -v t="$wall" -v c="$user + $sys" 'BEGIN {
  split(c, parts, " + "); cpu = parts[1] + parts[2]
  printf "pandoc: %d files, %.1f MB in %.3f s: %.2f MB/s, %.1f files/s\n", f, b / 1e6, t, b / 1e6 / t, f / t
  printf "pandoc: %.3f s of CPU: %.2f MB/s, %.1f files/s per CPU second\n", cpu, b / 1e6 / cpu, f / cpu }'
