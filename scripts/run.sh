#!/bin/bash
# Builds Corvane and starts it.
# - On Windows (a MinGW/MSYS shell): builds with the compilers at hand and
#   starts build/windows/corvane.exe.
# - On Linux: cross-builds the 32-bit program and starts it under Wine, on
#   your display; with no display, on a private Xvfb display, and says how
#   to look at it. Wine uses a prefix of its own under build/run/.
# Ends when Corvane's window is closed (or on Ctrl-C, which closes it).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

say() { echo "run: $*"; }

case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*)
    cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build/windows --target corvane
    say "starting build/windows/corvane.exe"
    exec build/windows/corvane.exe
    ;;
esac

# Inside the emulation namespace (below) the build is done already.
if [ -z "${CORVANE_I386_EMULATION:-}" ]; then
  scripts/install-deps.sh
  scripts/build-deps-mingw.sh >/dev/null
  cmake --preset win32 >/dev/null
  # The program only: the test programs would need Wine at build time.
  cmake --build --preset win32 --target corvane
  # A kernel that cannot run 32-bit programs runs Wine under qemu-i386, in
  # a namespace of its own.
  if ! scripts/can-run-32bit.sh; then
    if scripts/with-i386-emulation.sh --check; then
      say "this kernel cannot run 32-bit programs: starting Corvane under qemu-i386 emulation"
      exec scripts/with-i386-emulation.sh "$ROOT/scripts/run.sh" "$@"
    fi
    say "this kernel cannot run 32-bit programs, and cannot emulate them here: Wine will fail"
  fi
fi
program="$ROOT/build/win32/corvane.exe"

state="$ROOT/build/run"
# The prefix of its own, on the user's display when there is one (with the
# window manager's captions), else on a private Xvfb.
export CORVANE_WINE_HOME="$state" CORVANE_WINE_USE_DISPLAY=1
corvane_pid=""
cleanup() {
  trap '' PIPE
  if [ -n "$corvane_pid" ] && kill -0 "$corvane_pid" 2>/dev/null; then
    say "closing Corvane"
    # Closed as a user would close it: the window stops a running job first.
    wine taskkill /im corvane.exe </dev/null >/dev/null 2>&1 || true
    wait "$corvane_pid" 2>/dev/null || true
  fi
  corvane_wine_cleanup
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

. scripts/wine-env.sh
if [ -z "${CORVANE_XVFB_PID:-}" ]; then
  say "starting Corvane under Wine on your display $DISPLAY"
else
  say "no display: started Xvfb on $DISPLAY and Corvane under Wine on it"
  say "  take a picture of it:  import -display $DISPLAY -window root corvane.png"
  if command -v x11vnc >/dev/null 2>&1; then
    say "  or watch it live:      x11vnc -display $DISPLAY -localhost  (then a VNC viewer on localhost:5900)"
  else
    say "  (with x11vnc installed you could watch it live with a VNC viewer)"
  fi
  say "  press Ctrl-C here to close it"
fi

wine "$program" </dev/null >"$state/corvane.log" 2>&1 &
corvane_pid=$!
rc=0
wait "$corvane_pid" || rc=$?
corvane_pid=""
say "Corvane ended (exit code $rc)"
