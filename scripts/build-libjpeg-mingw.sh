#!/bin/sh
# Cross-builds a static libjpeg-turbo for the Windows build, once, from
# Debian's source package, into build/deps/libjpeg-mingw32 (i686, the prefix
# the win32 preset passes as MINGW_EXTRA_ROOTS, where find_package(JPEG) finds
# it) or build/deps/libjpeg-mingw64 (x86_64, for the win64 test flavour).
#
# usage: scripts/build-libjpeg-mingw.sh [--arch i686|x86_64] [--force]
# Needs root only when no deb-src entry exists yet (it then adds one).
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

# Adds deb-src twins of the machine's own Debian deb entries, so that no
# mirror other than the configured ones is ever contacted.
add_deb_src() {
  [ "$(id -u)" -eq 0 ] || die "no deb-src entry for libjpeg-turbo; rerun as root to add one"
  base=/etc/apt/sources.list.d/corvane-deb-src
  rm -f "$base.sources" "$base.list"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    # deb822 stanzas: those of type deb come back as type deb-src.
    awk 'BEGIN { RS = ""; FS = "\n" }
         { out = ""; keep = 0
           for (i = 1; i <= NF; i++) {
             line = $i
             if (line ~ /^Types:/) {
               if (line !~ /[ \t]deb([ \t]|$)/) break
               line = "Types: deb-src"; keep = 1
             }
             out = out line "\n"
           }
           if (keep) printf "%s\n", out }' \
      /etc/apt/sources.list.d/debian.sources >"$base.sources"
  fi
  if [ -f /etc/apt/sources.list ]; then
    # One-line format: "deb [options] URI suite components".
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$base.list"
  fi
  for f in "$base.sources" "$base.list"; do
    [ -s "$f" ] || rm -f "$f"
  done
  ls "$base".* >/dev/null 2>&1 || die "found no Debian deb entry to derive a deb-src entry from"
  say "added $(ls "$base".*); running apt-get update"
  apt-get update -qq
}

mkdir -p "$DEPS"
cd "$DEPS"

if ! ls libjpeg-turbo_*.orig.tar.gz libjpeg-turbo_*.debian.tar.xz >/dev/null 2>&1; then
  if [ -z "$(apt-cache showsrc libjpeg-turbo 2>/dev/null)" ]; then
    add_deb_src
  fi
  say "downloading Debian's source package"
  # As root apt drops to the _apt user for downloads, who cannot write here.
  sandbox=""
  [ "$(id -u)" -eq 0 ] && sandbox="-o APT::Sandbox::User=root"
  # shellcheck disable=SC2086
  apt-get source --download-only -qq $sandbox libjpeg-turbo
fi
set -- libjpeg-turbo_*.orig.tar.gz
[ "$#" -eq 1 ] || die "expected one libjpeg-turbo_*.orig.tar.gz in $DEPS, found: $*"
TARBALL=$1

set -- libjpeg-turbo_*.debian.tar.xz
[ "$#" -eq 1 ] || die "expected one libjpeg-turbo_*.debian.tar.xz in $DEPS, found: $*"
DEBIAN_TARBALL=$1
command -v patch >/dev/null 2>&1 || die "needs 'patch' (scripts/install-deps.sh installs it)"

rm -rf "$PREFIX" "$SRC" "$BUILD"
mkdir "$SRC"
tar xzf "$TARBALL" -C "$SRC" --strip-components=1
# Debian's patch series too (among them a fix for SIMD dispatch on a thread
# other than the one that started the decoder), so the library is the one
# Debian ships. Applied by hand: dpkg-source may not be installed.
tar xJf "$DEBIAN_TARBALL" -C "$SRC" debian/patches
for p in $(sed -e 's/#.*//' "$SRC/debian/patches/series"); do
  patch -d "$SRC" -p1 --forward --quiet <"$SRC/debian/patches/$p" ||
    die "Debian patch $p does not apply"
done

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
