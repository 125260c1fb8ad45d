#!/bin/bash
# Builds the 32-bit Windows tree and runs its tests under Wine on Xvfb.
#   scripts/test-win32.sh [ctest arguments...]     e.g. -L os, -R Cli
# On a machine that cannot run 32-bit programs natively, the whole run
# (build, whose test listing starts Wine, and tests) moves into a namespace
# where qemu-i386 runs them (scripts/with-i386-emulation.sh). Where that
# cannot be set up either, the 32-bit tree is only built, and the tests run
# instead as the win64 preset's 64-bit build under the 64-bit Wine. The last
# line says which of the three it was, and how long the run took.
# Exit status: ctest's (or the failing step's); 77 when no Wine can run
# (the Windows build is then only built). Xvfb and the wineserver are always
# stopped on the way out.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

# Carried into the namespace, so that the minutes cover the whole run.
: "${CORVANE_WIN32_TEST_START:=$(date +%s)}"
export CORVANE_WIN32_TEST_START
step_start=$SECONDS
step() {
  echo "test-win32: $1 ($((SECONDS - step_start)) s)"
  step_start=$SECONDS
}
minutes() {
  local s=$(($(date +%s) - CORVANE_WIN32_TEST_START))
  printf '%d min %02d s' $((s / 60)) $((s % 60))
}

# In the emulation namespace (see below) the libraries were built outside,
# where apt can fetch their sources.
if [ -z "${CORVANE_I386_EMULATION:-}" ]; then
  scripts/build-deps-mingw.sh
  step "libjpeg, minizip, expat, libxml2, librevenge, libwpd, libwps and libmwaw ready"
fi

PRESET=win32
if [ -z "${CORVANE_I386_EMULATION:-}" ] && ! scripts/can-run-32bit.sh; then
  echo "test-win32: this kernel cannot run 32-bit programs (its 32-bit emulation is off), so the 32-bit Wine cannot run here natively"
  # Everything that starts Wine must start in the namespace: the build too,
  # since it lists each program's tests through Wine.
  if no_emulation=$(scripts/with-i386-emulation.sh --check 2>&1); then
    [ -z "$no_emulation" ] || echo "$no_emulation"
    echo "test-win32: running the 32-bit suite under qemu-i386 emulation instead"
    exec scripts/with-i386-emulation.sh "$ROOT/scripts/test-win32.sh" "$@"
  fi
  echo "$no_emulation"
  no_emulation=${no_emulation##*: cannot run 32-bit programs under emulation here: }
  # Without 32-bit execution the 32-bit Wine cannot start: build the product
  # anyway (test lists are then read when tests run, not at build time),
  # then run the tests as the 64-bit flavour, which differs only in pointer
  # size.
  cmake --preset win32 -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST >/dev/null
  cmake --build --preset win32
  # The installer's tests that need no Wine (its payload) still run; a
  # failure among them counts. Only that folder's tests: elsewhere, listing
  # the GoogleTest programs' tests would need Wine.
  mkdir -p "$ROOT/build/win32/wine-env"
  status=0
  ctest --test-dir build/win32/installer -LE wine --output-on-failure 2>&1 |
    tee "$ROOT/build/win32/wine-env/ctest-payload.log" || status=$?
  [ "$status" -eq 0 ] || exit "$status"
  step "win32 build done (not tested)"
  if [ ! -x /usr/lib/wine/wine64 ]; then
    echo "test-win32: SKIPPED: the 32-bit product was built but not run, nor any Windows test (no 32-bit execution on this machine, no emulation: $no_emulation; no 64-bit Wine)"
    exit 77
  fi
  echo "test-win32: running the Windows tests as a 64-bit build (win64 preset) under the 64-bit Wine instead"
  scripts/build-deps-mingw.sh --arch x86_64
  step "libjpeg, minizip, expat, libxml2, librevenge, libwpd, libwps and libmwaw for x86_64 ready"
  PRESET=win64
  export CORVANE_WINE_ARCH=win64
fi
BUILD="build/$PRESET"
LOGS="$ROOT/$BUILD/wine-env"
# A machine that could not run Wine before left the test lists to run time.
cmake --preset "$PRESET" -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=POST_BUILD >/dev/null

# Before the build: gtest discovery runs the test programs through Wine at
# build time, and only a warm prefix answers quickly.
# shellcheck disable=SC2034  # read by wine-env.sh: clean up on exit
CORVANE_WINE_TRAP=1
. scripts/wine-env.sh
step "Xvfb on $DISPLAY, Wine prefix ready"

# Wine 8 itself now and then dies of SIGSEGV while a process exits, after the
# program has finished (a race in its own thread teardown, seen about once in
# 200-400 runs when two run at once). A Windows program's own crash never
# looks like that: Wine reports it as exit status 5 with a backtrace. So a
# SIGSEGV earns one more try, and only for a test whose output already holds
# its pass line: a crash in the middle of a test is a failure.
build() {
  cmake --build --preset "$PRESET" 2>&1 | tee "$LOGS/build.log"
}
if ! build; then
  if grep -q 'Error running test executable' "$LOGS/build.log" &&
     grep -q 'Result: Segmentation fault' "$LOGS/build.log"; then
    echo "test-win32: Wine crashed while listing a program's tests; building again"
    build
  else
    exit 1
  fi
fi
step "$PRESET build done"

# Wine's desktop process inherits the output of whichever program first
# needs it and outlives that program, so ctest would wait on it for the
# test's whole timeout. A keeper started here, with no pipe of ctest's,
# holds one desktop for the whole run; the cleanup stops it with the server.
bash tests/gui/gui_session.sh "$BUILD/session_keeper.exe" "$BUILD/suite-session" start

# The failed tests that Wine, not the test, broke: one name a line. Two
# shapes: a SIGSEGV after the test's pass line (see above), and a run that
# printed nothing at all, so Wine never started the program (seen once in a
# few thousand runs, failing in 0.02 s). A program of ours always prints
# GoogleTest's banner before any test code runs, and its own crash under
# Wine prints a backtrace, so neither shape can hide a real failure.
broken_by_wine() {
  local log=$BUILD/Testing/Temporary/LastTest.log name kind
  sed -n '/^The following tests FAILED:/,$p' "$LOGS/ctest.log" |
    sed -n -E 's/^\s+[0-9]+ - (.*) \(([A-Za-z ]+)\)$/\2\t\1/p' |
    while IFS=$'\t' read -r kind name; do
      # The test's own output in ctest's log, from its command to its end.
      if awk -v name="$name" -v kind="$kind" '
           $0 ~ /^[0-9]+\/[0-9]+ Test: / && substr($0, index($0, ": ") + 2) == name { inside = 1 }
           inside && index($0, "\"" name "\" end time:") == 1 { exit }
           inside && $0 == "Output:" { output = 1; next }
           inside && $0 == "<end of output>" { output = 0 }
           inside && output && !/^-+$/ && NF > 0 { printed = 1 }
           inside && /^\[  PASSED  \] 1 test/ { passed = 1 }
           END { exit !((kind == "SEGFAULT" && passed) || !printed) }' "$log"; then
        echo "$name"
      fi
    done
}

status=0
summary_line=
ctest --preset "$PRESET" -j"$(nproc)" "$@" 2>&1 | tee "$LOGS/ctest.log" || status=$?
if [ "$status" -ne 0 ]; then
  failed=$(sed -n '/^The following tests FAILED:/,$p' "$LOGS/ctest.log" | grep -cE '^\s+[0-9]+ - ' || true)
  mapfile -t rerun < <(broken_by_wine)
  if [ "${#rerun[@]}" -gt 0 ] && [ "${#rerun[@]}" -eq "$failed" ]; then
    echo "test-win32: Wine, not the test, broke ${#rerun[@]} test(s); running them again:"
    printf '  %s\n' "${rerun[@]}"
    pattern=$(printf '%s\n' "${rerun[@]}" | sed 's/[][\.^$*+?(){}|/]/\\&/g' | paste -sd'|')
    status=0
    ctest --preset "$PRESET" -R "^($pattern)\$" 2>&1 | tee "$LOGS/ctest-rerun.log" || status=$?
    # The line the summary of make test shows: the whole run, then the rerun
    # as a warning that names each test.
    first=$(grep -E 'tests passed|tests failed' "$LOGS/ctest.log" | tail -1)
    names=$(printf '%s, ' "${rerun[@]}")
    if [ "$status" -eq 0 ]; then
      summary_line="$first; WARNING: rerun after Wine broke them, passed: ${names%, }"
    else
      summary_line="$first; the rerun after Wine broke them failed: ${names%, }"
    fi
    echo "$summary_line"
  fi
fi
step "$PRESET tests done"
# The line the summary of make test shows must say which build was tested.
[ -n "$summary_line" ] || summary_line=$(grep -E 'tests passed|tests failed' "$LOGS/ctest.log" | tail -1 || true)
[ -n "$summary_line" ] || summary_line="ctest exit status $status"
if [ "$PRESET" = win64 ]; then
  echo "test-win32: ${summary_line}; in $(minutes); the 32-bit product was NOT run: the Windows tests ran as a 64-bit build under the 64-bit Wine, because this machine cannot run 32-bit programs and cannot emulate them ($no_emulation)"
elif [ -n "${CORVANE_I386_EMULATION:-}" ]; then
  echo "test-win32: ${summary_line}; in $(minutes); the 32-bit suite ran under $CORVANE_I386_EMULATION emulation (this kernel cannot run 32-bit programs itself)"
else
  echo "test-win32: ${summary_line}; in $(minutes)"
fi
exit "$status"
