#!/bin/sh
# Cross-builds the third-party libraries of the Windows build, once each,
# from Debian's source packages, into build/deps/<name>-mingw32 (the prefixes
# the win32 preset passes as MINGW_EXTRA_ROOTS; with --arch x86_64, the
# win64 test flavour's <name>-mingw64):
#   libjpeg  (scripts/build-libjpeg-mingw.sh)
#   minizip  Debian's minizip source package (the one its native
#            libminizip-dev comes from), a static library with its headers
#            under include/minizip as Debian installs them; zlib itself is
#            Debian's libz-mingw-w64-dev
#   expat    Debian's expat source package, static (XML_STATIC)
#
# usage: scripts/build-deps-mingw.sh [--arch i686|x86_64] [--force]
# Source entries and indexes go to build/deps/apt; the machine's apt
# configuration is left as it was.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
ARCH=i686
FORCE=""
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) ARCH=${2:-}; shift 2 || { echo "deps: --arch needs a value" >&2; exit 2; } ;;
    --force) FORCE=--force; shift ;;
    *) echo "usage: $0 [--arch i686|x86_64] [--force]" >&2; exit 2 ;;
  esac
done
case "$ARCH" in
  i686) SUFFIX=mingw32 ;;
  x86_64) SUFFIX=mingw64 ;;
  *) echo "deps: unknown --arch $ARCH (i686 or x86_64)" >&2; exit 2 ;;
esac
TOOLCHAIN="$ROOT/cmake/mingw-$ARCH.cmake"
DEPS="$ROOT/build/deps"
TRIPLET=$ARCH-w64-mingw32

"$ROOT/scripts/build-libjpeg-mingw.sh" --arch "$ARCH" $FORCE

say() { echo "deps: $*"; }
die() { echo "deps: $*" >&2; exit 1; }

[ -f "/usr/$TRIPLET/lib/libz.a" ] ||
  die "no /usr/$TRIPLET/lib/libz.a: install libz-mingw-w64-dev (scripts/install-deps.sh)"

# shellcheck source=scripts/deb-source.sh
. "$ROOT/scripts/deb-source.sh"

mkdir -p "$DEPS"
cd "$DEPS"

build_minizip() {
  prefix="$DEPS/minizip-$SUFFIX"
  [ "$FORCE" = "--force" ] && rm -rf "$prefix"
  if [ -f "$prefix/.complete" ]; then
    say "minizip already built in $prefix"
    return
  fi
  fetch_source minizip
  log="$DEPS/minizip-build-$ARCH.log"
  say "building minizip from $TARBALL, log in $log"
  unpack_patched minizip-src-$ARCH
  rm -rf "$prefix" minizip-build-$ARCH
  mkdir -p minizip-build-$ARCH "$prefix/lib/pkgconfig" "$prefix/include/minizip"
  # The sources and headers of Debian's Makefile.am for a Windows host (the
  # tool programs are not needed).
  if ! {
    for f in ioapi mztools unzip zip iowin32; do
      "$TRIPLET-gcc-posix" -O2 -c "minizip-src-$ARCH/$f.c" -o "minizip-build-$ARCH/$f.o" \
        -Iminizip-src-$ARCH -I"/usr/$TRIPLET/include" || exit 1
    done
    "$TRIPLET-ar" rcs "$prefix/lib/libminizip.a" minizip-build-$ARCH/*.o
  } >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    die "minizip build failed; see $log"
  fi
  for h in crypt.h ioapi.h mztools.h unzip.h zip.h iowin32.h; do
    cp "minizip-src-$ARCH/$h" "$prefix/include/minizip/"
  done
  version=$(sed -n 's/^AC_INIT(\[[^]]*\], *\[\([^]]*\)\].*/\1/p' minizip-src-$ARCH/configure.ac)
  cat >"$prefix/lib/pkgconfig/minizip.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: minizip
Description: Minizip zip file manipulation library
Version: ${version:-1.1}
Requires:
Libs: -L\${libdir} -lminizip
Libs.private: -lz
Cflags: -I\${includedir}/minizip
PC
  rm -rf minizip-src-$ARCH minizip-build-$ARCH
  echo "$TARBALL $DEBIAN_TARBALL" >"$prefix/.complete"
  say "minizip installed in $prefix"
}

build_expat() {
  prefix="$DEPS/expat-$SUFFIX"
  [ "$FORCE" = "--force" ] && rm -rf "$prefix"
  if [ -f "$prefix/.complete" ]; then
    say "expat already built in $prefix"
    return
  fi
  fetch_source expat
  log="$DEPS/expat-build-$ARCH.log"
  say "building expat from $TARBALL, log in $log"
  unpack_patched expat-src-$ARCH
  rm -rf "$prefix" expat-build-$ARCH
  # The CMake project sits in expat/ in some releases, at the top in others.
  srcdir=expat-src-$ARCH
  [ -f expat-src-$ARCH/CMakeLists.txt ] || srcdir=expat-src-$ARCH/expat
  # Debian's security fixes test "#if XML_DTD == 1", as autotools (which
  # Debian builds with) defines it; CMake's template defines it empty.
  sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$srcdir/expat_config.h.cmake"
  generator=""
  command -v ninja >/dev/null 2>&1 && generator="-GNinja"
  # shellcheck disable=SC2086
  if ! {
    cmake -S "$srcdir" -B expat-build-$ARCH $generator \
      -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
      -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_FUZZERS=OFF &&
    cmake --build expat-build-$ARCH -j2 &&
    cmake --install expat-build-$ARCH
  } >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    die "expat build failed; see $log"
  fi
  [ -f "$prefix/include/expat.h" ] && ls "$prefix"/lib/libexpat*.a >/dev/null 2>&1 ||
    die "install incomplete: no include/expat.h or lib/libexpat*.a in $prefix"
  rm -rf expat-src-$ARCH expat-build-$ARCH
  echo "$TARBALL $DEBIAN_TARBALL" >"$prefix/.complete"
  say "expat installed in $prefix"
}

build_minizip
build_expat
