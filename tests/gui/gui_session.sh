#!/bin/bash
# Starts or stops the session keeper around the window tests (a ctest
# fixture), so that Wine's desktop starts once for all of them.
#   gui_session.sh KEEPER_EXE STATE_FOLDER start|stop
set -euo pipefail
keeper=$1 state=$2 action=$3
ready="$state/session-keeper.ready"

# shellcheck source=tests/wait_for.sh
. "$(dirname "$0")/../wait_for.sh"
gone() { [ ! -e "$ready" ]; }

case "$action" in
  start)
    mkdir -p "$state"
    rm -f "$ready"
    # Detached, with no pipe of ctest's: ctest would otherwise wait for it.
    setsid wine "$keeper" "$(winepath -w "$ready")" </dev/null >"$state/session-keeper.log" 2>&1 &
    wait_for 120 test -e "$ready" || { echo "the session keeper did not start; see $state/session-keeper.log" >&2; exit 1; }
    echo "session keeper up"
    ;;
  stop)
    [ -e "$ready" ] || exit 0
    # This keeper only: another one may hold the desktop for a wider run.
    pid=$(tr -dc 0-9 <"$ready")
    [ -n "$pid" ] || { echo "the session keeper's ready file holds no process id" >&2; exit 1; }
    WINEDEBUG=-all wine taskkill /pid "$pid" </dev/null >/dev/null 2>&1 || true
    wait_for 60 gone || { echo "the session keeper did not end" >&2; exit 1; }
    echo "session keeper ended"
    ;;
  *)
    echo "usage: $0 KEEPER_EXE STATE_FOLDER start|stop" >&2
    exit 2
    ;;
esac
