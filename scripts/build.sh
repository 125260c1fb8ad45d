#!/bin/sh
# Builds the native preset (and the Windows one when its toolchain is there).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native
