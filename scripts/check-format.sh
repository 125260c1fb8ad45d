#!/bin/sh
# Checks that every C++ file of the project follows .clang-format; lists the
# files that do not. `scripts/check-format.sh --fix` formats them in place.
set -eu
cd "$(dirname "$0")/.."

files=$(find app batch bench cli engine fuzz import os platform readers tests \
  \( -path tests/corpus -prune \) -o \( -name '*.cpp' -o -name '*.h' \) -print 2>/dev/null | sort)

if [ "${1:-}" = "--fix" ]; then
  # shellcheck disable=SC2086  # one word per file
  clang-format -i $files
  exit 0
fi

# One process for all files; its warnings name the files that differ.
# shellcheck disable=SC2086  # one word per file
bad=$(clang-format --dry-run -Werror $files 2>&1 | sed -n 's/^\([^: ]*\):[0-9]*:[0-9]*: error:.*/\1/p' | sort -u)
if [ -n "$bad" ]; then
  echo "check-format: not formatted (run scripts/check-format.sh --fix):"
  printf '  %s\n' $bad
  exit 1
fi
echo "check-format: $(echo "$files" | wc -l) files formatted"
