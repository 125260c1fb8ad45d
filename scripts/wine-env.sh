# shellcheck shell=dash
# Wine and Xvfb environment for the Windows tests. Source it, don't run it:
#
#   . scripts/wine-env.sh                        # from bash or dash
#   CORVANE_WINE_TRAP=1 . scripts/wine-env.sh    # ... and clean up on exit
#
# Settings:
#   CORVANE_WINE_ARCH   win32 (default) or win64: the 64-bit Wine, for the
#                       64-bit test build where 32-bit programs cannot run.
#                       With win64, wine, wineserver, wineboot and winepath
#                       on PATH are the 64-bit ones (a folder of scripts put
#                       first on PATH), since /usr/bin/wine picks the 32-bit
#                       loader whenever it is installed.
#   CORVANE_WINE_HOME   folder for the prefix and logs (default build/win32,
#                       build/win64 with CORVANE_WINE_ARCH=win64)
# One for other users than the tests (make run):
#   CORVANE_WINE_USE_DISPLAY=1   use the caller's display when it answers,
#                       with the window manager's decorations; Xvfb otherwise
#
# Contract
# - On return (status 0) this shell has: an Xvfb of its own on a free display
#   (DISPLAY exported; CORVANE_XVFB_PID names it), WINEPREFIX=
#   $CORVANE_WINE_HOME/wineprefix (absolute),
#   WINEARCH=$CORVANE_WINE_ARCH, WINEDEBUG=-all, WINEDLLOVERRIDES exported, and a persistent
#   wineserver for that prefix with its services already started, so Wine
#   programs (gtest discovery at build time, ctest) start in a few ms and no
#   service inherits their output pipes. Status 1: nothing is left running.
# - corvane_wine_cleanup stops that wineserver (and every Wine process of the
#   prefix) and the Xvfb, restores DISPLAY, and always returns 0. The caller
#   calls it, typically from its own EXIT trap. Only if CORVANE_WINE_TRAP=1
#   does this file set traps itself: EXIT runs the cleanup and keeps the exit
#   status; HUP, INT, PIPE and TERM exit (so that EXIT runs). They replace any
#   traps the caller had for those signals. A caller with its own traps
#   should do the same, and ignore SIGPIPE while cleaning up (see
#   corvane_wine_exit_trap): otherwise a killed pipeline can end the shell
#   before the cleanup has run.
# - Xvfb is a background job of the sourcing shell: a bare "wait" there
#   waits for it forever, so wait for specific process ids.
# - One shell per prefix: sourcing it in a second shell (no Xvfb of its own
#   yet) stops the wineserver the first shell uses.
# - Sourcing again in the same shell reuses the running Xvfb and server (fast);
#   if either died meanwhile, it is started again.
# - The repository is found from this file's path under bash; under other
#   shells set CORVANE_ROOT or source from the repository root.
# - A prefix left from an earlier session is reused once complete; an
#   incomplete one (interrupted set-up, or one Wine created on its own) is
#   made again. A wineserver still running for the prefix from an earlier
#   session is stopped first, since it would be bound to a display that is gone.
# - Never changes the caller's shell options or working directory. Logs go to
#   $CORVANE_WINE_HOME/wine-env/.

corvane_wine_say() { echo "wine-env: $*" >&2; }

# Run as a program, it would start Xvfb and Wine and leave them behind.
case "${0##*/}" in
  wine-env.sh)
    corvane_wine_say "source this file: . scripts/wine-env.sh"
    exit 2
    ;;
esac

# Whether a wineserver runs for $1 (an existing folder). Wine names the
# server's working folder after the prefix's device and inode numbers.
corvane_wine_server_alive() {
  local dev ino want p comm cwd
  dev=$(stat -c %D "$1" 2>/dev/null) || return 1
  ino=$(stat -c %i "$1" 2>/dev/null) || return 1
  want=$(printf 'server-%x-%x' "0x$dev" "$ino")
  for p in /proc/[0-9]*; do
    comm=
    read -r comm 2>/dev/null <"$p/comm" || continue
    case "$comm" in
      wineserver*) ;;
      *) continue ;;
    esac
    cwd=$(readlink "$p/cwd" 2>/dev/null) || continue
    [ "${cwd##*/}" = "$want" ] && return 0
  done
  return 1
}

# Stops the wineserver of prefix $1 and every Wine process that belongs to it.
corvane_wine_stop_server() {
  [ -d "$1" ] || return 0
  WINEPREFIX="$1" wineserver -k </dev/null >/dev/null 2>&1 || true
  WINEPREFIX="$1" timeout 30 wineserver -w </dev/null >/dev/null 2>&1 || true
}

# Whether process $1 is a live Xvfb: not one that died (a zombie), nor a
# later process that got its number.
corvane_wine_is_xvfb() {
  local stat
  [ -n "$1" ] || return 1
  read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
  case "$stat" in
    *"(Xvfb) Z"* | *"(Xvfb) X"*) return 1 ;;
    *"(Xvfb) "*) return 0 ;;
  esac
  return 1
}

corvane_wine_stop_xvfb() {
  local pid i
  pid=${CORVANE_XVFB_PID:-}
  unset CORVANE_XVFB_PID
  corvane_wine_is_xvfb "$pid" || return 0
  kill "$pid" 2>/dev/null || true
  # wait reaps it when this shell started it; otherwise poll.
  wait "$pid" 2>/dev/null || true
  i=0
  while corvane_wine_is_xvfb "$pid" && [ "$i" -lt 50 ]; do
    sleep 0.1
    i=$((i + 1))
  done
  if corvane_wine_is_xvfb "$pid"; then
    kill -9 "$pid" 2>/dev/null || true
  fi
}

corvane_wine_cleanup() {
  if [ -n "${CORVANE_WINEPREFIX:-}" ]; then
    corvane_wine_stop_server "$CORVANE_WINEPREFIX"
  fi
  corvane_wine_stop_xvfb
  if [ -n "${CORVANE_DISPLAY:-}" ] && [ "${DISPLAY:-}" = "$CORVANE_DISPLAY" ]; then
    if [ -n "${CORVANE_SAVED_DISPLAY:-}" ]; then
      export DISPLAY="$CORVANE_SAVED_DISPLAY"
    else
      unset DISPLAY
    fi
  fi
  unset CORVANE_DISPLAY CORVANE_SAVED_DISPLAY
  return 0
}

corvane_wine_exit_trap() {
  corvane_wine_rc=$?
  # The output pipe may be gone by now; writing to it must not end the
  # cleanup half-way (bash reports the killed Xvfb on stderr, for one).
  trap '' PIPE
  corvane_wine_cleanup
  exit "$corvane_wine_rc"
}

corvane_wine_start_xvfb() {
  local state fdfile i num
  state=$1
  fdfile="$state/xvfb.$$.display"
  rm -f "$fdfile"
  # -displayfd: Xvfb picks a free display and writes its number once it
  # accepts connections, so no other X server is ever reused by mistake.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
    3>"$fdfile" </dev/null >"$state/xvfb.log" 2>&1 &
  CORVANE_XVFB_PID=$!
  i=0
  while [ ! -s "$fdfile" ]; do
    # (Not corvane_wine_is_xvfb: the child may not have become Xvfb yet.)
    if ! kill -0 "$CORVANE_XVFB_PID" 2>/dev/null ||
       grep -q '^State:[[:space:]]*Z' "/proc/$CORVANE_XVFB_PID/status" 2>/dev/null ||
       [ "$i" -ge 100 ]; then
      corvane_wine_say "Xvfb did not start; see $state/xvfb.log"
      rm -f "$fdfile"
      corvane_wine_stop_xvfb
      return 1
    fi
    sleep 0.1
    i=$((i + 1))
  done
  num=$(head -n 1 "$fdfile")
  rm -f "$fdfile"
  if [ -z "${CORVANE_DISPLAY:-}" ]; then
    CORVANE_SAVED_DISPLAY=${DISPLAY:-}
  fi
  CORVANE_DISPLAY=":$num"
  export DISPLAY="$CORVANE_DISPLAY"
  return 0
}

# Registry settings of the prefix; bump "settings" below when they change.
# $1: Y when a window manager runs on the display, N under Xvfb.
corvane_wine_apply_settings() {
  # Under Xvfb there is no window manager: unmanaged windows close at once
  # (instead of Wine waiting 2 s for a manager) and Wine draws the captions.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$1" /f </dev/null &&
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d "$1" /f </dev/null &&
  # A crashing program would otherwise open the crash dialog on Xvfb and
  # wait there until the test times out; now the debugger prints a
  # backtrace to the program's stderr and the program ends at once.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null
}

# win64: puts scripts that start the 64-bit Wine programs first on PATH, in folder $1.
corvane_wine_use_wine64() {
  local bin=$1 tool
  if [ ! -x /usr/lib/wine/wine64 ] || [ ! -x /usr/lib/wine/wineserver64 ]; then
    corvane_wine_say "the 64-bit Wine is missing; run scripts/install-deps.sh"
    return 1
  fi
  mkdir -p "$bin" || return 1
  rm -f "$bin/wine" "$bin/wineserver"
  # Scripts, not links: the loader finds itself by the name it was started as.
  printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$bin/wine" &&
  printf '#!/bin/sh\nexec /usr/lib/wine/wineserver64 "$@"\n' >"$bin/wineserver" || return 1
  # The other commands are Windows programs started by the loader.
  for tool in wineboot winepath; do
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 %s.exe "$@"\n' "$tool" >"$bin/$tool" || return 1
  done
  chmod +x "$bin/wine" "$bin/wineserver" "$bin/wineboot" "$bin/winepath" || return 1
  # Programs that start others do so through this loader.
  export WINELOADER=/usr/lib/wine/wine64
  case ":$PATH:" in
    *":$bin:"*) ;;
    *) export PATH="$bin:$PATH" ;;
  esac
}

corvane_wine_env_start() {
  local root home prefix state stamp log tool settings managed arch
  if [ -n "${CORVANE_ROOT:-}" ]; then
    root=$CORVANE_ROOT
  elif [ -n "${BASH_SOURCE:-}" ]; then
    root=$(cd "$(dirname "$BASH_SOURCE")/.." && pwd) || return 1
  else
    root=$PWD
  fi
  if [ ! -f "$root/scripts/wine-env.sh" ]; then
    corvane_wine_say "cannot find the repository (set CORVANE_ROOT)"
    return 1
  fi
  root=$(cd "$root" && pwd -P) || return 1
  arch=${CORVANE_WINE_ARCH:-win32}
  case "$arch" in
    win32)
      if ! "$root/scripts/can-run-32bit.sh"; then
        corvane_wine_say "this kernel cannot run 32-bit programs (its 32-bit emulation is off): the 32-bit Wine cannot start here (under scripts/with-i386-emulation.sh it can)"
        return 1
      fi
      ;;
    win64) ;;
    *)
      corvane_wine_say "CORVANE_WINE_ARCH must be win32 or win64, not $arch"
      return 1
      ;;
  esac
  home=${CORVANE_WINE_HOME:-$root/build/$arch}
  mkdir -p "$home" || return 1
  home=$(cd "$home" && pwd -P) || return 1
  if [ "$arch" = win64 ]; then
    corvane_wine_use_wine64 "$home/wine-env/bin" || return 1
  fi
  for tool in Xvfb wine wineserver wineboot timeout; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      corvane_wine_say "$tool not found; run scripts/install-deps.sh"
      return 1
    fi
  done

  prefix="$home/wineprefix"
  state="$home/wine-env"
  # Written once the prefix is fully set up; its absence means "make it
  # again", other contents "apply the settings below again".
  stamp="$prefix/.corvane-ready"
  settings="settings 3"
  log="$state/wineboot.log"
  mkdir -p "$state" || return 1

  # Wine maps Windows file names to Unix names through the locale: with none
  # set (a container, a service) a name like "café.rtf" cannot be created.
  if [ -z "${LC_ALL:-}${LC_CTYPE:-}${LANG:-}" ]; then export LANG=C.UTF-8; fi
  export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG=-all
  # No Mono/Gecko install prompts, no menu entries or file associations on the host.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  CORVANE_WINEPREFIX=$prefix

  if [ "${CORVANE_WINE_TRAP:-0}" = 1 ]; then
    # Set before anything starts, so that a failure below cleans up too.
    trap corvane_wine_exit_trap EXIT
    trap 'exit 129' HUP
    trap 'exit 130' INT
    # A reader that went away (| head, or a killed pipeline) would otherwise
    # end the shell with no EXIT trap.
    trap 'exit 141' PIPE
    trap 'exit 143' TERM
  fi

  managed=N
  if [ "${CORVANE_WINE_USE_DISPLAY:-0}" = 1 ] && [ -z "${CORVANE_XVFB_PID:-}" ] &&
     [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    managed=Y
    corvane_wine_stop_server "$prefix"
  elif corvane_wine_is_xvfb "${CORVANE_XVFB_PID:-}" &&
     [ "${DISPLAY:-}" = "${CORVANE_DISPLAY:-}" ]; then
    # Sourced again: same Xvfb; the server may still be running too.
    if [ "$(cat "$stamp" 2>/dev/null)" = "$settings managed=N" ] &&
       corvane_wine_server_alive "$prefix"; then
      return 0
    fi
  else
    # Wine binds its display driver at the first program of a server session:
    # a server left from an earlier session would still use a dead display.
    corvane_wine_stop_server "$prefix"
    unset CORVANE_XVFB_PID
    corvane_wine_start_xvfb "$state" || return 1
  fi

  if [ -d "$prefix" ] && [ ! -f "$stamp" ]; then
    corvane_wine_say "recreating incomplete Wine prefix $prefix"
    corvane_wine_stop_server "$prefix"
    rm -rf "$prefix"
  fi
  if [ ! -f "$stamp" ]; then
    corvane_wine_say "creating Wine prefix $prefix (log: $log)"
    : >"$log"
  fi
  # wineserver -p does nothing unless the folder exists.
  mkdir -p "$prefix" || { corvane_wine_cleanup; return 1; }
  # -p: the server outlives each program, so every test does not pay for a
  # server start and a service start-up.
  WINEPREFIX="$prefix" wineserver -p </dev/null >>"$log" 2>&1 || true
  # Creates or updates the prefix and starts the services now, with their
  # output in the log instead of on a pipe someone later waits on.
  if ! wineboot -i </dev/null >>"$log" 2>&1; then
    corvane_wine_say "wineboot failed; see $log"
    corvane_wine_cleanup
    return 1
  fi

  # Tahoma and the other Wine fonts: Debian's Wine does not find them in
  # /usr/share/wine/fonts by itself. Linked each time: cheap, and picks up
  # fonts-wine installed after the prefix was made.
  if [ -d /usr/share/wine/fonts ] && [ -d "$prefix/drive_c/windows/Fonts" ]; then
    ln -sf /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" || true
  else
    corvane_wine_say "fonts-wine missing: windows will use substitute fonts"
  fi

  # The window manager setting depends on the display of this session.
  settings="$settings managed=$managed"
  if [ "$(cat "$stamp" 2>/dev/null)" != "$settings" ]; then
    if ! corvane_wine_apply_settings "$managed" >>"$log" 2>&1; then
      corvane_wine_say "could not write the Wine settings; see $log"
      corvane_wine_cleanup
      return 1
    fi
    echo "$settings" >"$stamp"
  fi
  return 0
}

if corvane_wine_env_start; then
  :
else
  corvane_wine_cleanup
  return 1 2>/dev/null || exit 1
fi
