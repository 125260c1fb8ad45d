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

bad=""
for file in $files; do
  if ! clang-format --dry-run -Werror "$file" >/dev/null 2>&1; then
    bad="$bad $file"
  fi
done
if [ -n "$bad" ]; then
  echo "check-format: not formatted (run scripts/check-format.sh --fix):"
  printf '  %s\n' $bad
  exit 1
fi
echo "check-format: $(echo "$files" | wc -l) files formatted"
