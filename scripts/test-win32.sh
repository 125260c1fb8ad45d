#!/bin/bash
# Builds the 32-bit Windows tree and runs its tests under Wine on Xvfb.
#   scripts/test-win32.sh [ctest arguments...]     e.g. -L os, -R Cli
# Exit status: ctest's (or the failing step's). Xvfb and the wineserver are
# always stopped on the way out.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
LOGS="$ROOT/build/win32/wine-env"

step_start=$SECONDS
step() {
  echo "test-win32: $1 ($((SECONDS - step_start)) s)"
  step_start=$SECONDS
}

scripts/build-deps-mingw.sh
step "libjpeg, minizip and expat ready"

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
# SIGSEGV, and only that, earns one more try.
build() {
  cmake --build --preset win32 2>&1 | tee "$LOGS/build.log"
}
cmake --preset win32 >/dev/null
if ! build; then
  if grep -q 'Error running test executable' "$LOGS/build.log" &&
     grep -q 'Result: Segmentation fault' "$LOGS/build.log"; then
    echo "test-win32: Wine crashed while listing a program's tests; building again"
    build
  else
    exit 1
  fi
fi
step "win32 build done"

# Wine's desktop process inherits the output of whichever program first
# needs it and outlives that program, so ctest would wait on it for the
# test's whole timeout. A keeper started here, with no pipe of ctest's,
# holds one desktop for the whole run; the cleanup stops it with the server.
bash tests/gui/gui_session.sh build/win32/session_keeper.exe build/win32/suite-session start

status=0
ctest --preset win32 -j"$(nproc)" "$@" 2>&1 | tee "$LOGS/ctest.log" || status=$?
if [ "$status" -ne 0 ]; then
  failed=$(sed -n '/^The following tests FAILED:/,$p' "$LOGS/ctest.log" | grep -E '^\s+[0-9]+ - ' || true)
  if [ -n "$failed" ] && ! grep -qv '(SEGFAULT)$' <<<"$failed"; then
    crashed=$(wc -l <<<"$failed")
    echo "test-win32: Wine crashed under $crashed test(s); running them again"
    status=0
    ctest --preset win32 --rerun-failed "$@" || status=$?
    # The line the summary of make test shows: the whole run, then the rerun.
    first=$(grep -E 'tests passed|tests failed' "$LOGS/ctest.log" | tail -1)
    if [ "$status" -eq 0 ]; then
      echo "$first; the $crashed that Wine crashed passed when run again"
    else
      echo "$first; the $crashed that Wine crashed failed again"
    fi
  fi
fi
step "win32 tests done"
exit "$status"
