#!/bin/bash
# "/uninstall" makes no window at all: corvane.exe runs with Wine's trace of
# window creation on, for the whole process tree, and the trace must show
# none; the page still opens and the exit code is 0. Then a normal start,
# traced the same way, shows that the trace does see the program's windows,
# and the program closes with exit code 0 when asked to.
#   uninstall_test.sh CORVANE_EXE RECORD_BROWSER_EXE WORK_FOLDER
# Runs in the test environment's Wine prefix and display.
set -euo pipefail

program=$1 browser=$2 work=$3
key='HKLM\Software\Classes\http\shell\open\command'

fail() { echo "FAIL: $*" >&2; exit 1; }
# shellcheck source=tests/wait_for.sh
. "$(dirname "$0")/../wait_for.sh"

rm -rf "$work"
mkdir -p "$work"
cp "$program" "$work/corvane.exe"

# The recording browser as the prefix's http handler, the old one restored
# on the way out.
previous=$(wine reg query "$key" /ve 2>/dev/null </dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p')
restore() {
  if [ -n "$previous" ]; then
    wine reg add "$key" /ve /t REG_SZ /d "$previous" /f </dev/null >/dev/null 2>&1 || true
  fi
}
trap restore EXIT
wine reg add "$key" /ve /t REG_SZ /d "\"$(winepath -w "$browser")\" \"%1\"" /f </dev/null >/dev/null 2>&1 ||
  fail "cannot register the recording browser"

log="$work/browser.log"
export CORVANE_BROWSER_LOG
CORVANE_BROWSER_LOG=$(winepath -w "$log")

# Windows created by the traced program itself: its lines carry its process
# id, which starts the trace (Wine's desktop process, which it may start,
# makes windows of its own).
windows_of_program() {  # trace file, class pattern
  local ours
  ours=$(head -n 1 "$1" | cut -d: -f1)
  [ -n "$ours" ] || { echo 0; return; }
  grep -c "^$ours:[0-9a-f]*:trace:win:WIN_CreateWindowEx .*$2" "$1" || true
}

# 1. /uninstall: exit code 0, the page, and not one window in the trace.
rc=0
WINEDEBUG=+pid,+win wine "$work/corvane.exe" /uninstall </dev/null >"$work/uninstall.out" 2>"$work/uninstall.trace" || rc=$?
[ "$rc" -eq 0 ] || fail "exit code $rc after /uninstall"
wait_for 60 test -s "$log" || fail "no page opened"
expected="http://www.belmorn.com/we/service/uninstall/?prd=crv&v=3.0.0&d=999"
[ "$(tr -d '\r' <"$log")" = "$expected" ] || fail "opened '$(cat "$log")', expected '$expected'"
windows=$(windows_of_program "$work/uninstall.trace" "")
[ "$windows" -eq 0 ] || fail "/uninstall created $windows window(s); see $work/uninstall.trace"
echo "ok: /uninstall opened $expected, created no window, exit code 0"

# 2. A normal start under the same trace: its windows show up in it, and the
# program ends with exit code 0 when its windows are asked to close, here
# as Wine's taskkill asks: WM_CLOSE to each top-level window (the taskbar
# window passes it on to the main window).
WINEDEBUG=+pid,+win wine "$work/corvane.exe" </dev/null >"$work/normal.out" 2>"$work/normal.trace" &
pid=$!
running() {  # an ended child stays a zombie until waited for
  local state
  state=$(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | cut -d' ' -f1) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}
shown() { [ "$(windows_of_program "$work/normal.trace" 'L"CorvaneMainForm"')" -eq 1 ]; }
if ! wait_for 60 shown; then
  kill "$pid" 2>/dev/null || true
  fail "the trace shows no main window for a normal start"
fi
# Asked again until it has gone: a close that comes before the main window
# is up finds nothing to close yet.
closed() {
  running || return 0
  WINEDEBUG=-all wine taskkill /im corvane.exe </dev/null >/dev/null 2>&1 || true
  ! running
}
if ! wait_for 60 closed; then
  kill "$pid" 2>/dev/null || true
  fail "a normal start did not end when closed"
fi
rc=0
wait "$pid" || rc=$?
[ "$rc" -eq 0 ] || fail "exit code $rc after a normal start and close"
echo "ok: a normal start showed its window and ended with exit code 0 when closed"
