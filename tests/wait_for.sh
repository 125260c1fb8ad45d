# shellcheck shell=bash
# Sourced by the test scripts that drive Wine.

# Polls for a condition: Wine starts and ends processes in its own time.
wait_for() {  # seconds, command...
  local limit=$(($1 * 10)) i=0
  shift
  until "$@"; do
    i=$((i + 1))
    [ "$i" -lt "$limit" ] || return 1
    sleep 0.1
  done
}
