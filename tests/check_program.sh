#!/bin/sh
# Checks a built program's PE headers as Windows will read them, without
# running it: a 32-bit x86 image, large-address-aware, the given subsystem,
# and nothing imported but the system's own DLLs (a missing MinGW runtime
# DLL would stop it at start on a user's machine).
#   check_program.sh <objdump> <program> <GUI|CUI> <allowed DLLs, space-separated>
set -eu
objdump=$1
program=$2
subsystem=$3
allowed=$4

headers=$("$objdump" -p "$program")
status=0
fail() {
  echo "$(basename "$program"): $1"
  status=1
}

echo "$headers" | grep -q 'file format pei-i386' || fail "not a 32-bit x86 image"
echo "$headers" | grep -q 'large address aware' || fail "not large-address-aware"
echo "$headers" | grep -q "^Subsystem.*(Windows $subsystem)" ||
  fail "subsystem is not Windows $subsystem: $(echo "$headers" | grep '^Subsystem')"
imports=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u)
for dll in $imports; do
  case " $allowed " in
    *" $dll "*) ;;
    *) fail "imports $dll, which is not among: $allowed" ;;
  esac
done
[ "$status" -eq 0 ] && echo "$(basename "$program"): pei-i386, large-address-aware, Windows $subsystem; imports: $(echo $imports)"
exit "$status"
