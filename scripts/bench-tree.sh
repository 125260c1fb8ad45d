#!/bin/bash
# Times corvane-cli over folder trees of small documents and prints files/s
# and MB/s (decimal megabytes of RTF per second of wall time).
#
#   scripts/bench-tree.sh [COUNT...]      (default: 10000 100000)
#
# Each tree holds COUNT documents in nested folders under
# build/bench-tree/COUNT/, with text files, images, PDFs and backups mixed
# in. Trees are kept, with their outputs, and rewritten only when their
# generator changes. Timed runs replace the outputs of the run before; the
# run that first writes them is reported too.
# CORVANE_CLI=path times another build of the converter; BENCH_TREE_RUNS
# sets the number of timed runs (3). Figures only.
set -euo pipefail
cd "$(dirname "$0")/.."

counts=("$@")
if [ ${#counts[@]} -eq 0 ]; then counts=(10000 100000); fi

targets=(corvane-benchgen)
if [ -z "${CORVANE_CLI:-}" ]; then targets+=(corvane-cli); fi
cmake --preset native >/dev/null
cmake --build --preset native --target "${targets[@]}"
cli=${CORVANE_CLI:-build/native/corvane-cli}
gen=build/native/corvane-benchgen

# The trees depend on nothing but the generator's sources.
key=$(cat bench/rtf_generator.h bench/rtf_generator.cpp bench/benchgen_main.cpp | sha256sum | cut -c1-16)

runs=${BENCH_TREE_RUNS:-3}

# Times one conversion of the tree at $1 in mode $2 (folder or files); sets
# elapsed_ns and made, the number of outputs this run wrote. Each run starts
# with the documents in the page cache and nothing left to write back.
# Outputs are replaced, never deleted first: on ext4 without a journal,
# creating files right after deleting thousands makes every creation scan
# the recently freed inodes, which would time the file system, not us.
time_run() {
  local root=$1 mode=$2 start end
  find "$root" -type f -iname '*.rtf' -print0 | xargs -0 cat >/dev/null
  sync
  touch "$marker"
  sleep 0.1  # file times are coarse; outputs must come out newer than the marker
  start=$(date +%s%N)
  if [ "$mode" = folder ]; then
    "$cli" "$root" >"$log" 2>&1 || true
  else
    find "$root" -type f -iname '*.rtf' -print0 | xargs -0 "$cli" >"$log" 2>&1 || true
  fi
  end=$(date +%s%N)
  elapsed_ns=$((end - start))
  made=$(find "$root" -type f -name '*.html' -newer "$marker" | wc -l)
}

report() {  # label, then elapsed times in ns on standard input
  sort -n | awk -v files="$rtf_files" -v bytes="$rtf_bytes" -v label="$1" '
    { t[NR] = $1 / 1e9 }
    END {
      s = t[int((NR + 1) / 2)]
      range = NR > 1 ? sprintf(" (median of %d, %.2f to %.2f s)", NR, t[1], t[NR]) : ""
      printf "       %-28s %6.2f s%s, %.0f files/s, %.1f MB/s\n", \
        label, s, range, files / s, bytes / 1e6 / s
    }'
}

echo
echo "== corvane-cli on folder trees (wall time; load average $(cut -d' ' -f1-3 /proc/loadavg))"
for n in "${counts[@]}"; do
  root=build/bench-tree/$n
  stamp=build/bench-tree/$n.stamp
  log=build/bench-tree/$n.log
  marker=build/bench-tree/$n.started
  if [ ! -f "$stamp" ] || [ "$(sed -n 1p "$stamp")" != "$key" ]; then
    rm -rf "$root" "$stamp"
    mkdir -p build/bench-tree
    echo "writing $n documents under $root ..."
    summary=$("$gen" tree "$root" "$n")
    printf '%s\n%s\n' "$key" "$summary" >"$stamp"
  fi
  # Line 2 of the stamp: rtf_files=.. rtf_bytes=.. other_files=.. other_bytes=.. folders=..
  read -r rtf_files rtf_bytes other_files _ folders < <(sed -n 2p "$stamp" | sed 's/[a-z_]*=//g')

  # The first run settles the mode and leaves the outputs that the timed runs replace.
  fresh=$(find "$root" -type f -name '*.html' -print -quit | wc -l)
  mode=folder
  time_run "$root" "$mode"
  if [ "$made" -ne "$rtf_files" ]; then
    # A converter that takes only files: hand it the documents in batches.
    if [ "$made" -ne 0 ]; then
      echo "the folder argument gave $made of $rtf_files outputs; timing file lists instead"
    fi
    mode=files
    time_run "$root" "$mode"
  fi
  printf '%6d documents, %.1f MB RTF (+%d other files, %d folders), %s:\n' "$n" \
    "$(awk -v b="$rtf_bytes" 'BEGIN { print b / 1e6 }')" "$other_files" "$folders" \
    "$([ "$mode" = folder ] && echo "folder argument" || echo "file lists via xargs")"
  if [ "$fresh" -eq 0 ]; then echo "$elapsed_ns" | report "first run, writing outputs"; fi
  if [ "$made" -ne "$rtf_files" ]; then
    echo "       warning: $made of $rtf_files documents converted; see $log" >&2
  fi

  times=()
  for ((i = 0; i < runs; i++)); do
    time_run "$root" "$mode"
    times+=("$elapsed_ns")
    if [ "$made" -ne "$rtf_files" ]; then
      echo "       warning: run $((i + 1)) converted $made of $rtf_files documents; see $log" >&2
    fi
  done
  printf '%s\n' "${times[@]}" | report "replacing outputs"
done
