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

scripts/install-deps.sh
scripts/build-deps-mingw.sh >/dev/null
cmake --preset win32 >/dev/null
# The program and our .docx converter only: the test programs would need
# Wine at build time.
cmake --build --preset win32 --target corvane corvane-docx
program="$ROOT/build/win32/corvane.exe"

state="$ROOT/build/run"
mkdir -p "$state"
export WINEPREFIX="$state/wineprefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

xvfb_pid=""
corvane_pid=""
cleanup() {
  if [ -n "$corvane_pid" ] && kill -0 "$corvane_pid" 2>/dev/null; then
    say "closing Corvane"
    # Closed as a user would close it: the window stops a running job first.
    wine taskkill /im corvane.exe </dev/null >/dev/null 2>&1 || true
    wait "$corvane_pid" 2>/dev/null || true
  fi
  # This prefix's server and the display it is bound to go together.
  wineserver -k </dev/null >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

managed=Y
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  say "starting Corvane under Wine on your display $DISPLAY"
else
  rm -f "$state/xvfb.display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$state/xvfb.display" \
    </dev/null >"$state/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$state/xvfb.display" ] && break
    sleep 0.1
  done
  [ -s "$state/xvfb.display" ] || { say "Xvfb did not start; see $state/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n 1 "$state/xvfb.display")"
  managed=N  # no window manager there: Wine draws the captions itself
  say "no display: started Xvfb on $DISPLAY and Corvane under Wine on it"
  say "  take a picture of it:  import -display $DISPLAY -window root corvane.png"
  if command -v x11vnc >/dev/null 2>&1; then
    say "  or watch it live:      x11vnc -display $DISPLAY -localhost  (then a VNC viewer on localhost:5900)"
  else
    say "  (with x11vnc installed you could watch it live with a VNC viewer)"
  fi
  say "  press Ctrl-C here to close it"
fi

if [ ! -f "$WINEPREFIX/.corvane-run-ready" ]; then
  say "preparing the Wine prefix $WINEPREFIX (once, a few seconds)"
  wineboot -i </dev/null >"$state/wineboot.log" 2>&1
  touch "$WINEPREFIX/.corvane-run-ready"
fi
# Tahoma and the other fonts Wine ships, which Debian's Wine does not find
# by itself.
if [ -d /usr/share/wine/fonts ]; then
  ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi
for value in Managed Decorated; do
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /t REG_SZ /d "$managed" /f \
    </dev/null >/dev/null 2>&1 || true
done

# Our .docx/.docm converter, registered as the installer registers it: only
# for a class that is free or already ours.
converter=$(winepath -w "$ROOT/build/win32/corvane-docx.cnv" 2>/dev/null || true)
for entry in "Word12:docx:Word 2007+ document" "MEWord12:docm:Word 2007+ macro-enabled document"; do
  class=${entry%%:*}
  rest=${entry#*:}
  key="HKLM\\SOFTWARE\\Microsoft\\Shared Tools\\Text Converters\\Import\\$class"
  registered=$({ wine reg query "$key" /v Path /reg:32 </dev/null 2>/dev/null || true; } |
    sed -n 's/^.*REG_SZ[[:space:]]*//p' | tr -d '\r')
  if [ -n "$converter" ] && { [ -z "$registered" ] || [ "$registered" = "$converter" ]; }; then
    for value in "Path:$converter" "Name:${rest#*:}" "Extensions:${rest%%:*}"; do
      wine reg add "$key" /v "${value%%:*}" /t REG_SZ /d "${value#*:}" /f /reg:32 \
        </dev/null >/dev/null 2>&1 || true
    done
  fi
done

wine "$program" </dev/null >"$state/corvane.log" 2>&1 &
corvane_pid=$!
rc=0
wait "$corvane_pid" || rc=$?
corvane_pid=""
say "Corvane ended (exit code $rc)"
