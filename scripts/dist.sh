#!/bin/bash
# Builds what a Windows user downloads:
#   build/win32/dist/corvane-<version>-setup.exe   the setup program
#   build/win32/dist/corvane-<version>-win32.zip   the same files, no setup
# Needs no Wine: only the programs and the installer are built.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/build-deps-mingw.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 --target dist
ls -l build/win32/dist/*-setup.exe build/win32/dist/*-win32.zip
