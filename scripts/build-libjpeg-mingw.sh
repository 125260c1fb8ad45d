#!/bin/sh
# Cross-builds a static libjpeg-turbo for the Windows build, once, from
# Debian's source package, into build/deps/libjpeg-mingw32 (i686, the prefix
# the win32 preset passes as MINGW_EXTRA_ROOTS, where find_package(JPEG) finds
# it) or build/deps/libjpeg-mingw64 (x86_64, for the win64 test flavour).
#
# usage: scripts/build-libjpeg-mingw.sh [--arch i686|x86_64] [--force]
# Source entries and indexes go to build/deps/apt; the machine's apt
# configuration is left as it was.
set -eu

ARCH=i686
FORCE=0
while [ "$#" -gt 0 ]; do
  case "$1" in
    --arch) ARCH=${2:-}; shift 2 || { echo "libjpeg: --arch needs a value" >&2; exit 2; } ;;
    --force) FORCE=1; shift ;;
    *) echo "usage: $0 [--arch i686|x86_64] [--force]" >&2; exit 2 ;;
  esac
done
case "$ARCH" in
  i686) BITS=32 ;;
  x86_64) BITS=64 ;;
  *) echo "libjpeg: unknown --arch $ARCH (i686 or x86_64)" >&2; exit 2 ;;
esac

ROOT=$(cd "$(dirname "$0")/.." && pwd)
TOOLCHAIN="$ROOT/cmake/mingw-$ARCH.cmake"
DEPS="$ROOT/build/deps"
PREFIX="$DEPS/libjpeg-mingw$BITS"
# Written last, so an interrupted build is redone rather than half-used.
STAMP="$PREFIX/.complete"
LOG="$DEPS/libjpeg-build-$ARCH.log"
# Per architecture, so that both can be built at the same time.
SRC="libjpeg-turbo-src-$ARCH"
BUILD="libjpeg-turbo-build-$ARCH"

if [ "$FORCE" = 1 ]; then
  rm -rf "$PREFIX"
fi
if [ -f "$STAMP" ]; then
  echo "libjpeg: already built in $PREFIX"
  exit 0
fi

say() { echo "libjpeg: $*"; }
die() { echo "libjpeg: $*" >&2; exit 1; }

# shellcheck source=scripts/deb-source.sh
. "$ROOT/scripts/deb-source.sh"

mkdir -p "$DEPS"
cd "$DEPS"
fetch_source libjpeg-turbo
rm -rf "$PREFIX" "$BUILD"
# Debian's patch series too (among them a fix for SIMD dispatch on a thread
# other than the one that started the decoder), so the library is the one
# Debian ships.
unpack_patched "$SRC"

# The SIMD code needs nasm; without it the library is plain C and still works.
SIMD=OFF
command -v nasm >/dev/null 2>&1 && SIMD=ON
GENERATOR=""
command -v ninja >/dev/null 2>&1 && GENERATOR="-GNinja"

say "building $TARBALL for $ARCH (SIMD=$SIMD), log in $LOG"
start=$(date +%s)
# shellcheck disable=SC2086
if ! {
  cmake -S "$SRC" -B "$BUILD" $GENERATOR \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF \
    -DWITH_SIMD=$SIMD &&
  # Everything, not just the library target: the install step expects the tools.
  cmake --build "$BUILD" -j"$(nproc)" &&
  cmake --install "$BUILD"
} >"$LOG" 2>&1; then
  tail -n 30 "$LOG" >&2
  die "build failed; see $LOG"
fi
[ -f "$PREFIX/lib/libjpeg.a" ] && [ -f "$PREFIX/include/jpeglib.h" ] ||
  die "install incomplete: no lib/libjpeg.a or include/jpeglib.h in $PREFIX"
rm -rf "$SRC" "$BUILD"
echo "$TARBALL $DEBIAN_TARBALL SIMD=$SIMD" >"$STAMP"
say "installed in $PREFIX in $(($(date +%s) - start)) s"
