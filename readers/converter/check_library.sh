#!/bin/sh
# Checks the built converter library as a host and the installer meet it:
# exactly the interface's entry points, under their plain names (a
# decorated _Name@n is not found by GetProcAddress("Name")), and nothing
# imported but the system's own DLLs: no MinGW runtime DLL that the target
# machine lacks, and no user32, so no window or message box can come from it.
#   check_library.sh <objdump> <library>
set -eu
objdump=$1
library=$2
expected="CchFetchLpszError ForeignToRtf32 GetReadNames InitConverter32 IsFormatCorrect32 RegisterApp RtfToForeign32 UninitConverter"

headers=$("$objdump" -p "$library")
exports=$(echo "$headers" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' ' | sed 's/ $//')
imports=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -u | tr '\n' ' ' | sed 's/ $//')

status=0
if [ "$exports" != "$expected" ]; then
  echo "exports: '$exports'"
  echo "expected: '$expected'"
  status=1
fi
for dll in $imports; do
  case "$dll" in
    KERNEL32.dll | msvcrt.dll) ;;
    *) echo "imports $dll: only KERNEL32 and msvcrt belong here"; status=1 ;;
  esac
done
[ "$status" -eq 0 ] && echo "exports: $exports; imports: $imports"
exit "$status"
