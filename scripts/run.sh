#!/bin/sh
# Converts the bundled examples with corvane-cli and says where the HTML went.
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh >/dev/null
out=build/examples
rm -rf "$out"
mkdir -p "$out"
cp examples/*.rtf "$out/"
build/native/corvane-cli "$out"/*.rtf
echo "Converted the examples; the HTML files are beside them in $(pwd)/$out:"
ls -1 "$out"/*.html
