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
#   libxml2  Debian's libxml2 source package, static (LIBXML_STATIC), only
#            its parser: no iconv, ICU, zlib, lzma, Python, network or
#            modules, so it needs nothing but the system's DLLs; thread-safe
#            (readers run on two workers) through the toolchain's static
#            POSIX threads, which the programs link already
#   librevenge, libwpd, libwps, libmwaw
#            Debian's source packages, static C++ libraries built with
#            autotools; librevenge needs Boost's header-only parts (from the
#            machine's libboost-dev, through a folder of their own so that
#            /usr/include never reaches the cross compiler) and zlib; libmwaw
#            is built without zlib (--disable-zip), which only changes the
#            format of the bitmaps it hands out. Their export macros (REVENGE_API,
#            REVENGE_STREAM_API, WPDAPI, WPSLIB, MWAWLIB) are empty unless
#            DLL_EXPORT (librevenge, libwpd, libwps) or _WINDLL (libmwaw) is
#            defined, so a static consumer defines nothing and must not define
#            those two. The .pc files name librevenge only through Requires and
#            leave zlib out, so the link order is
#              -lwpd-0.10 -lwps-0.4 -lmwaw-0.3 -lrevenge-stream-0.0
#              -lrevenge-0.0 -lz
#
# usage: scripts/build-deps-mingw.sh [--arch i686|x86_64] [--force]
#                                    [--deps DIR] [--only NAME]
# --deps builds into DIR instead of build/deps; --only builds one library.
# Source entries and indexes go to apt/ in the build folder; the machine's
# apt configuration is left as it was.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
ARCH=i686
FORCE=""
DEPS_DIR=""
ONLY=""
while [ $# -gt 0 ]; do
  case "$1" in
    --arch) ARCH=${2:-}; shift 2 || { echo "deps: --arch needs a value" >&2; exit 2; } ;;
    --force) FORCE=--force; shift ;;
    --deps) DEPS_DIR=${2:-}; shift 2 || { echo "deps: --deps needs a value" >&2; exit 2; } ;;
    --only) ONLY=${2:-}; shift 2 || { echo "deps: --only needs a value" >&2; exit 2; } ;;
    *) echo "usage: $0 [--arch i686|x86_64] [--force] [--deps DIR] [--only NAME]" >&2; exit 2 ;;
  esac
done
case "$ARCH" in
  i686) SUFFIX=mingw32 ;;
  x86_64) SUFFIX=mingw64 ;;
  *) echo "deps: unknown --arch $ARCH (i686 or x86_64)" >&2; exit 2 ;;
esac
TOOLCHAIN="$ROOT/cmake/mingw-$ARCH.cmake"
# Without --deps, a clone that has no build/deps yet links it to a cache
# folder that every clone on the machine shares: the libraries depend only
# on Debian's source packages and on the recipes hashed into the folder's
# name, and take a quarter of an hour to build. CORVANE_DEPS_CACHE names
# the cache (default ~/.cache/corvane); set empty, build/deps is a folder of
# the clone's own.
if [ -z "$DEPS_DIR" ] && [ ! -e "$ROOT/build/deps" ] && [ ! -L "$ROOT/build/deps" ]; then
  cache=${CORVANE_DEPS_CACHE-${HOME:-/root}/.cache/corvane}
  if [ -n "$cache" ]; then
    recipes=$(cd "$ROOT" && cat scripts/build-deps-mingw.sh scripts/deb-source.sh \
      scripts/build-libjpeg-mingw.sh cmake/mingw-common.cmake cmake/mingw-i686.cmake \
      cmake/mingw-x86_64.cmake | sha256sum | cut -c1-16)
    mkdir -p "$cache/deps-$recipes" "$ROOT/build"
    ln -s "$cache/deps-$recipes" "$ROOT/build/deps"
    echo "deps: build/deps is the shared cache $cache/deps-$recipes"
  fi
fi
DEPS=${DEPS_DIR:-$ROOT/build/deps}
mkdir -p "$DEPS"
# One build at a time in a folder that clones share.
if command -v flock >/dev/null 2>&1; then
  exec 9>"$DEPS/.lock"
  flock 9
fi
# The physical path: it is written into .pc files, and build/deps may be a
# link into another worktree.
DEPS=$(cd "$DEPS" && pwd -P)
case "$ONLY" in
  "" | libjpeg | minizip | expat | libxml2 | librevenge | libwpd | libwps | libmwaw) ;;
  *) echo "deps: unknown --only $ONLY (libjpeg, minizip, expat, libxml2, librevenge, libwpd, libwps or libmwaw)" >&2
     exit 2 ;;
esac
wanted() { [ -z "$ONLY" ] || [ "$ONLY" = "$1" ]; }
OPTIMIZE=-O2  # the autotools builds' optimisation
TRIPLET=$ARCH-w64-mingw32

if wanted libjpeg; then
  "$ROOT/scripts/build-libjpeg-mingw.sh" --arch "$ARCH" $FORCE
fi

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

build_libxml2() {
  prefix="$DEPS/libxml2-$SUFFIX"
  [ "$FORCE" = "--force" ] && rm -rf "$prefix"
  if [ -f "$prefix/.complete" ]; then
    say "libxml2 already built in $prefix"
    return
  fi
  fetch_source libxml2
  log="$DEPS/libxml2-build-$ARCH.log"
  say "building libxml2 from $TARBALL, log in $log"
  unpack_patched libxml2-src-$ARCH
  rm -rf "$prefix" libxml2-build-$ARCH
  generator=""
  command -v ninja >/dev/null 2>&1 && generator="-GNinja"
  # Only the parsers: the readers hand it UTF-8 or a page it knows natively
  # (UTF-16, Latin-1, ASCII), so iconv and ICU are not needed, and nothing
  # may be fetched from the network.
  # shellcheck disable=SC2086
  if ! {
    cmake -S libxml2-src-$ARCH -B libxml2-build-$ARCH $generator \
      -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
      -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF -DLIBXML2_WITH_ZLIB=OFF \
      -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_HTTP=OFF \
      -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_MODULES=OFF -DLIBXML2_WITH_CATALOG=OFF \
      -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_DEBUG=OFF \
      -DLIBXML2_WITH_THREADS=ON &&
    cmake --build libxml2-build-$ARCH -j2 &&
    cmake --install libxml2-build-$ARCH
  } >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    die "libxml2 build failed; see $log"
  fi
  [ -f "$prefix/include/libxml2/libxml/HTMLparser.h" ] && ls "$prefix"/lib/libxml2*.a >/dev/null 2>&1 ||
    die "install incomplete: no include/libxml2/libxml/HTMLparser.h or lib/libxml2*.a in $prefix"
  rm -rf libxml2-src-$ARCH libxml2-build-$ARCH
  echo "$TARBALL $DEBIAN_TARBALL" >"$prefix/.complete"
  say "libxml2 installed in $prefix"
}

# Builds Debian's source package $1 with its own autotools for the Windows
# host, statically, into $1-$SUFFIX; $2 is a file the install must leave
# under include/, the rest are configure's switches of that package.
build_autotools() {
  name=$1
  header=$2
  shift 2
  prefix="$DEPS/$name-$SUFFIX"
  [ "$FORCE" = "--force" ] && rm -rf "$prefix"
  if [ -f "$prefix/.complete" ]; then
    say "$name already built in $prefix"
    return
  fi
  [ -d /usr/include/boost ] || die "no /usr/include/boost: install libboost-dev (scripts/install-deps.sh)"
  # Their Windows version resources go through m4, even in a static build.
  command -v m4 >/dev/null 2>&1 || die "needs 'm4' (scripts/install-deps.sh installs it)"
  fetch_source "$name"
  log="$DEPS/$name-build-$ARCH.log"
  say "building $name from $TARBALL, log in $log"
  unpack_patched "$name-src-$ARCH"
  rm -rf "$prefix"
  # Boost through a folder holding nothing else: -I/usr/include would let
  # the machine's own headers shadow the cross toolchain's.
  mkdir -p "$DEPS/boost-headers"
  ln -sfn /usr/include/boost "$DEPS/boost-headers/boost"
  revenge="$DEPS/librevenge-$SUFFIX"
  started=$(date +%s)
  if ! (
    cd "$name-src-$ARCH" &&
      ./configure --host="$TRIPLET" --prefix="$prefix" --disable-shared --enable-static \
        --disable-werror --disable-weffc "$@" \
        CC="$TRIPLET-gcc-posix" CXX="$TRIPLET-g++-posix" CFLAGS="$OPTIMIZE" CXXFLAGS="$OPTIMIZE" \
        CPPFLAGS="-I$DEPS/boost-headers" PKG_CONFIG=pkg-config PKG_CONFIG_PATH= \
        PKG_CONFIG_LIBDIR="$revenge/lib/pkgconfig:/usr/$TRIPLET/lib/pkgconfig" &&
      make -j2 &&
      make install
  ) >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    die "$name build failed; see $log"
  fi
  # libtool's archives only repeat, with absolute paths, what the .pc files say.
  rm -f "$prefix"/lib/*.la
  [ -f "$prefix/include/$header" ] && ls "$prefix"/lib/lib*.a >/dev/null 2>&1 ||
    die "install incomplete: no include/$header or lib/lib*.a in $prefix"
  rm -rf "$name-src-$ARCH"
  echo "$TARBALL $DEBIAN_TARBALL" >"$prefix/.complete"
  say "$name installed in $prefix ($(($(date +%s) - started)) s)"
}

build_librevenge() {
  # The stream library reads OLE2 storage in memory, which Works 4 and
  # later needs; the generators are the libraries' own output formats.
  build_autotools librevenge librevenge-0.0/librevenge-stream/librevenge-stream.h \
    --disable-tests --disable-generators --disable-fuzzers --without-docs
}

# The format libraries need librevenge's prefix first.
build_with_revenge() {
  if [ ! -f "$DEPS/librevenge-$SUFFIX/.complete" ]; then
    wanted_optimize=$OPTIMIZE
    OPTIMIZE=-O2
    build_librevenge
    OPTIMIZE=$wanted_optimize
  fi
  build_autotools "$@"
}

if wanted minizip; then build_minizip; fi
if wanted expat; then build_expat; fi
if wanted libxml2; then build_libxml2; fi
if wanted librevenge; then build_librevenge; fi
if wanted libwpd; then
  # Its configure sets the visibility conditional only for hosts other than
  # Windows, then refuses to finish; on Windows it is off.
  build_with_revenge libwpd libwpd-0.10/libwpd/libwpd.h --disable-tools --disable-fuzzers --without-docs \
    HAVE_VISIBILITY_TRUE='#' HAVE_VISIBILITY_FALSE=
fi
if wanted libwps; then
  build_with_revenge libwps libwps-0.4/libwps/libwps.h --disable-tools --disable-fuzzers --without-docs
fi
if wanted libmwaw; then
  # Optimised for size: it reads dozens of old Mac formats, of which we
  # use one, and at -O2 it would add 8 MB to each program (5.3 MB at -Os).
  OPTIMIZE=-Os
  build_with_revenge libmwaw libmwaw-0.3/libmwaw/libmwaw.hxx \
    --disable-tools --disable-fuzzers --disable-zip --with-docs=no
  OPTIMIZE=-O2
fi
