# shellcheck shell=bash
# Steps the installer tests share. Sourced; they run in the test
# environment's Wine prefix and display (WINEPREFIX and DISPLAY set).

fail() { echo "FAIL: $*" >&2; exit 1; }
ok() { echo "ok: $*"; }

# shellcheck source=tests/wait_for.sh
. "$(dirname "${BASH_SOURCE[0]}")/../wait_for.sh"

# Where a folder on the prefix's drive C: is, whether or not it exists yet.
c_drive_path() {  # C:\folder\...
  case "$1" in
    [Cc]:\\*) ;;
    *) fail "not a folder on drive C: '$1'" ;;
  esac
  local rest=${1:3}
  printf '%s/drive_c/%s\n' "$WINEPREFIX" "${rest//\\//}"
}

now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }

# The data of one registry value, or nothing (status 1) when the key or the
# value is missing. Always the 32-bit view, where a 32-bit setup writes.
reg_value() {  # key, value name
  local out
  out=$(wine reg query "$1" /v "$2" /reg:32 </dev/null 2>/dev/null | tr -d '\r') || return 1
  printf '%s\n' "$out" | awk -v name="$2" '
    { line = $0; sub(/^ +/, "", line) }
    index(line, name " ") == 1 {
      rest = substr(line, length(name) + 1); sub(/^ +REG_[A-Z_]+ */, "", rest); print rest; found = 1
    }
    END { exit !found }'
}
reg_key_exists() { wine reg query "$1" /reg:32 </dev/null >/dev/null 2>&1; }
reg_delete_key() { wine reg delete "$1" /f /reg:32 </dev/null >/dev/null 2>&1 || true; }

expect_value() {  # key, value name, expected data
  local got
  got=$(reg_value "$1" "$2") || fail "no value $2 under $1"
  [ "$got" = "$3" ] || fail "$1 $2 is '$got', expected '$3'"
}

# The recording browser as the prefix's http handler until the script ends,
# the previous handler put back then. Pages land in BROWSER_LOG, one a line.
handler_key='HKLM\Software\Classes\http\shell\open\command'
use_recording_browser() {  # browser exe, log file
  previous_handler=$({ wine reg query "$handler_key" /ve </dev/null 2>/dev/null || true; } | tr -d '\r' |
    sed -n 's/^ *(Default) *REG_SZ *//p')
  trap restore_handler EXIT
  wine reg add "$handler_key" /ve /t REG_SZ /d "\"$(winepath -w "$1")\" \"%1\"" /f </dev/null >/dev/null 2>&1 ||
    fail "cannot register the recording browser"
  BROWSER_LOG=$2
  rm -f "$BROWSER_LOG"
  export CORVANE_BROWSER_LOG
  CORVANE_BROWSER_LOG=$(winepath -w "$BROWSER_LOG")
}
restore_handler() {
  if [ -n "${previous_handler:-}" ]; then
    wine reg add "$handler_key" /ve /t REG_SZ /d "$previous_handler" /f </dev/null >/dev/null 2>&1 || true
  fi
}
pages_opened() {
  if [ -f "$BROWSER_LOG" ]; then tr -d '\r' <"$BROWSER_LOG" | grep -c . || true; else echo 0; fi
}
# Waits for page number N and checks it.
expect_page() {  # n, address
  local n=$1
  page_arrived() { [ "$(pages_opened)" -ge "$n" ]; }
  wait_for 60 page_arrived || fail "page $n never opened (pages so far: $(cat "$BROWSER_LOG" 2>/dev/null))"
  local got
  got=$(tr -d '\r' <"$BROWSER_LOG" | sed -n "${n}p")
  [ "$got" = "$2" ] || fail "page $n was '$got', expected '$2'"
}

# corvane.exe started for real: its main window shows (Wine's trace of
# window creation, for that process), and it ends with exit code 0 when its
# windows are asked to close.
start_and_close() {  # corvane.exe, work folder
  local exe=$1 trace="$2/start.trace" pid rc
  WINEDEBUG=+pid,+win wine "$exe" </dev/null >"$2/start.out" 2>"$trace" &
  pid=$!
  shown() {
    local ours
    ours=$(head -n 1 "$trace" | cut -d: -f1)
    [ -n "$ours" ] && grep -q "^$ours:[0-9a-f]*:trace:win:WIN_CreateWindowEx .*L\"CorvaneMainForm\"" "$trace"
  }
  if ! wait_for 60 shown; then
    kill "$pid" 2>/dev/null || true
    fail "$exe showed no main window"
  fi
  close_program "$pid"
  rc=0
  wait "$pid" || rc=$?
  [ "$rc" -eq 0 ] || fail "$exe ended with exit code $rc"
}
# Asked again until it has gone: a close before the window is up finds
# nothing to close yet.
close_program() {  # pid of the wine process
  local pid=$1
  running() {
    local state
    state=$(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | cut -d' ' -f1) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
  }
  closed() {
    running || return 0
    WINEDEBUG=-all wine taskkill /im corvane.exe </dev/null >/dev/null 2>&1 || true
    ! running
  }
  if ! wait_for 60 closed; then
    kill "$pid" 2>/dev/null || true
    fail "corvane.exe did not end when closed"
  fi
}

# corvane-cli.exe converts DOCUMENT; the HTML beside it must hold TEXT.
expect_conversion() {  # cli exe, document, text
  local html="${2%.*}.html" rc=0
  rm -f "$html"
  wine "$1" "$(winepath -w "$2")" </dev/null >"$2.out" 2>"$2.err" || rc=$?
  [ "$rc" -eq 0 ] || fail "corvane-cli exit code $rc for $2: $(tr -d '\r' <"$2.err")"
  grep -q "$3" "$html" || fail "$html does not hold '$3'"
}
