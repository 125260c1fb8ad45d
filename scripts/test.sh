#!/bin/bash
# Installs what is missing, builds every preset and runs every test suite:
# native, native under ASan+UBSan, a short fuzz run, and the Windows build
# under Wine. Ends with one summary line per suite, with its minutes; exits
# non-zero if any suite failed.
#   scripts/test.sh [SUITE...]   SUITE: format native asan fuzz win32 (all by default)
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh || exit 1

declare -a summary=()
status=0

suites=("$@")
[ ${#suites[@]} -gt 0 ] || suites=(format native asan fuzz win32)
for suite in "${suites[@]}"; do
  case "$suite" in
    format | native | asan | fuzz | win32) ;;
    *) echo "usage: scripts/test.sh [format|native|asan|fuzz|win32]..." >&2; exit 2 ;;
  esac
done

suite_start=$SECONDS
record() {  # name, exit code, detail
  local minutes
  minutes=$(awk -v s=$((SECONDS - suite_start)) 'BEGIN { printf "%.1f min", s / 60 }')
  if [ "$2" -eq 0 ]; then summary+=("PASS  $1  [$minutes] $3"); else summary+=("FAIL  $1  [$minutes] $3"); status=1; fi
}

run_ctest_preset() {
  local preset=$1 log="build/$1-ctest.log"
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; }; then
    record "$preset" 1 "(build failed)"
    return
  fi
  ctest --preset "$preset" -j2 --timeout 900 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  record "$preset" "$rc" "$(grep -E 'tests passed|tests failed' "$log" | tail -1)"
}

run_fuzz() {
  bash scripts/fuzz.sh "${FUZZ_SECONDS:-60}" 4096 2>&1 | tee build/fuzz.log
  local rc=${PIPESTATUS[0]}
  record fuzz "$rc" "(${FUZZ_SECONDS:-60} s of libFuzzer on the engine and the .docx, .doc, .xls, web page and import-library readers; $(grep '^fuzz: ' build/fuzz.log | sed 's/^fuzz: //' | paste -sd';'))"
}

run_win32() {
  bash scripts/test-win32.sh 2>&1 | tee build/win32-test.log
  local rc=${PIPESTATUS[0]}
  if [ "$rc" -eq 77 ]; then
    summary+=("SKIP  win32  the 32-bit product was built but not run: this machine can neither run nor emulate 32-bit programs, and has no 64-bit Wine ($(grep -E 'tests passed|tests failed' build/win32-test.log | tail -1 | sed 's/^/without Wine: /'))")
  else
    record win32 "$rc" "$(grep -E 'tests passed|tests failed' build/win32-test.log | tail -1)"
  fi
}

mkdir -p build
for suite in "${suites[@]}"; do
  suite_start=$SECONDS
  case "$suite" in
    format)
      scripts/check-format.sh
      record format $? "(every C++ file as .clang-format says)"
      ;;
    native | asan) run_ctest_preset "$suite" ;;
    fuzz) run_fuzz ;;
    win32) run_win32 ;;
  esac
done

# The shared corpus is an extra beyond tests/corpus; say whether this run had it.
shared_corpus=${CORVANE_CORPUS_DIR:-../shared/corpus/rtf}
if [ -d "$shared_corpus" ]; then
  corpus_note="NOTE  corpus  bundled tests/corpus and shared $shared_corpus"
else
  corpus_note="NOTE  corpus  bundled tests/corpus only: no shared corpus at $shared_corpus"
fi

echo
echo "==== Summary ===="
printf '%s\n' "${summary[@]}" "$corpus_note"
exit $status
