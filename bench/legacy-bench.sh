#!/bin/bash
# Speed of the legacy readers (.doc first) over a corpus folder, with
# LibreOffice's on the same files in the same run: files/s of corvane-cli
# --jobs 1 and --jobs 2 (each on a fresh copy of the folder, outputs thrown
# away) and of one soffice process converting every file to HTML, with the
# ratio, and each one's peak memory (/usr/bin/time -v, when installed). Then
# --jobs 1 against --jobs 2 on a mixed folder of .doc and .docx files.
# Figures only: nothing passes or fails on time.
#   bench/legacy-bench.sh [CORPUS_DIR [DOCX_DIR]]
#   (CORVANE_CLI=path, SOFFICE=path; SKIP_SOFFICE=1 leaves LibreOffice out)
set -euo pipefail
cd "$(dirname "$0")/.."

corpus=${1:-${CORVANE_LEGACY_CORPUS_DIR:-../shared/corpus/doc}}
docx=${2:-${CORVANE_DOCX_CORPUS_DIR:-../shared/corpus/docx}}
cli=${CORVANE_CLI:-build/native/corvane-cli}
soffice=${SOFFICE:-soffice}
[ -d "$corpus" ] || { echo "legacy-bench: no corpus folder $corpus" >&2; exit 1; }
[ -x "$cli" ] || { echo "legacy-bench: $cli is not built" >&2; exit 1; }
cli=$(realpath "$cli")

timer=()
if [ -x /usr/bin/time ] && /usr/bin/time -v true >/dev/null 2>&1; then
  timer=(/usr/bin/time -v)
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/legacy-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Regular files of a folder (not hidden), NUL-separated.
list_files() {
  find "$1" -maxdepth 1 -type f ! -name '.*' -print0 | sort -z
}

# copy_into DIR FOLDER...: a fresh copy of the folders' files in DIR.
copy_into() {
  local dir=$1
  shift
  rm -rf "$dir"
  mkdir -p "$dir"
  local folder
  for folder in "$@"; do
    list_files "$folder" | xargs -0 -r cp -t "$dir"
  done
  chmod -R u+w "$dir"
}

# measure NAME FILES BYTES COMMAND...: runs COMMAND, prints its files/s and
# peak memory, and leaves the wall time in $seconds.
seconds=0
measure() {
  local name=$1 files=$2 bytes=$3
  shift 3
  local log="$work/time.log" start end status=0
  rm -f "$log"
  start=$(date +%s.%N)
  if [ ${#timer[@]} -gt 0 ]; then
    "${timer[@]}" -o "$log" "$@" >/dev/null 2>"$work/stderr.log" || status=$?
  else
    "$@" >/dev/null 2>"$work/stderr.log" || status=$?
  fi
  end=$(date +%s.%N)
  seconds=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
  local memory="peak memory: not measured (no /usr/bin/time)"
  if [ ${#timer[@]} -gt 0 ] && [ -f "$log" ]; then
    memory=$(awk -F': ' '/Maximum resident set size/ { printf "peak memory: %.1f MB", $2 / 1024 }' "$log")
  fi
  awk -v n="$name" -v f="$files" -v b="$bytes" -v t="$seconds" -v m="$memory" -v s="$status" 'BEGIN {
    printf "%-22s %4d files, %6.1f MB in %8.3f s: %7.1f files/s, %6.2f MB/s; %s (exit %d)\n",
      n, f, b / 1e6, t, f / t, b / 1e6 / t, m, s }'
}

count_files() { list_files "$1" | tr -cd '\0' | wc -c; }
count_bytes() { list_files "$1" | xargs -0 -r cat | wc -c; }

files=$(count_files "$corpus")
bytes=$(count_bytes "$corpus")
echo "== $corpus: $files files, $(du -sh "$corpus" | cut -f1)"
echo "   load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) CPUs"

copy_into "$work/in" "$corpus"
measure "corvane-cli --jobs 1" "$files" "$bytes" "$cli" --jobs 1 "$work/in"
jobs1=$seconds
copy_into "$work/in" "$corpus"
measure "corvane-cli --jobs 2" "$files" "$bytes" "$cli" --jobs 2 "$work/in"
jobs2=$seconds
converted=$(find "$work/in" -maxdepth 1 -type f -name '*.html' | wc -l)
echo "   (corvane-cli wrote $converted outputs)"

if [ "${SKIP_SOFFICE:-0}" = 1 ] || ! command -v "$soffice" >/dev/null; then
  echo "soffice: left out (not installed or SKIP_SOFFICE=1)"
else
  copy_into "$work/in" "$corpus"
  mkdir -p "$work/soffice-out"
  # The profile is made beforehand, so its first-start set-up is not timed.
  "$soffice" "-env:UserInstallation=file://$work/profile" --headless --terminate_after_init >/dev/null 2>&1 || true
  mapfile -d '' sources < <(list_files "$work/in")
  # soffice may stop (exit 0) before the end of a long batch: a new process
  # then takes the files after the last one written, and a process that
  # writes nothing gives up its first file.
  total=0 processes=0 peak=0 pending=("${sources[@]}")
  while [ ${#pending[@]} -gt 0 ]; do
    processes=$((processes + 1))
    measure "soffice process $processes" "${#pending[@]}" "$(cat "${pending[@]}" | wc -c)" \
      "$soffice" "-env:UserInstallation=file://$work/profile" \
      --headless --norestore --convert-to html --outdir "$work/soffice-out" "${pending[@]}"
    total=$(awk -v a="$total" -v b="$seconds" 'BEGIN { printf "%.3f", a + b }')
    if [ -f "$work/time.log" ]; then
      peak=$(awk -F': ' -v p="$peak" '/Maximum resident set size/ { p = ($2 > p ? $2 : p) } END { print p }' "$work/time.log")
    fi
    last=-1
    for i in "${!pending[@]}"; do
      name=$(basename "${pending[$i]}")
      [ -f "$work/soffice-out/${name%.*}.html" ] && last=$i
    done
    unread=$(grep -c 'source file could not be loaded' "$work/stderr.log" || true)
    written_now=0
    for source in "${pending[@]}"; do
      name=$(basename "$source")
      [ -f "$work/soffice-out/${name%.*}.html" ] && written_now=$((written_now + 1))
    done
    if [ $((written_now + unread)) -ge ${#pending[@]} ] || [ "$processes" -ge 20 ]; then
      break
    fi
    if [ "$last" -ge 0 ]; then
      pending=("${pending[@]:$((last + 1))}")
    else
      pending=("${pending[@]:$((unread + 1))}")
    fi
  done
  written=$(find "$work/soffice-out" -maxdepth 1 -type f -name '*.html' | wc -l)
  memory="not measured"
  [ ${#timer[@]} -gt 0 ] && memory=$(awk -v p="$peak" 'BEGIN { printf "%.1f MB", p / 1024 }')
  awk -v f="$files" -v b="$bytes" -v t="$total" -v n="$processes" -v w="$written" -v m="$memory" 'BEGIN {
    printf "%-22s %4d files, %6.1f MB in %8.3f s: %7.1f files/s, %6.2f MB/s; peak memory: %s (%d process(es), %d outputs)\n",
      "soffice (all)", f, b / 1e6, t, f / t, b / 1e6 / t, m, n, w }'
  seconds=$total
  awk -v a="$jobs1" -v b="$jobs2" -v s="$seconds" 'BEGIN {
    printf "ratio, soffice time / corvane-cli time: %.1fx (--jobs 1), %.1fx (--jobs 2)\n", s / a, s / b }'
fi

if [ -d "$docx" ]; then
  copy_into "$work/mixed" "$corpus" "$docx"
  mfiles=$(count_files "$work/mixed")
  mbytes=$(count_bytes "$work/mixed")
  echo "== mixed folder: $corpus + $docx: $mfiles files, $(du -sh "$work/mixed" | cut -f1)"
  measure "mixed --jobs 1" "$mfiles" "$mbytes" "$cli" --jobs 1 "$work/mixed"
  jobs1=$seconds
  copy_into "$work/mixed" "$corpus" "$docx"
  measure "mixed --jobs 2" "$mfiles" "$mbytes" "$cli" --jobs 2 "$work/mixed"
  awk -v a="$jobs1" -v b="$seconds" 'BEGIN { printf "ratio, --jobs 1 time / --jobs 2 time: %.2f\n", a / b }'
else
  echo "mixed folder: no .docx folder $docx"
fi
exit 0
