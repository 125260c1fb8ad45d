#!/bin/sh
# Installs every Debian package the build and the tests need, skipping what is
# already there, so that repeated runs cost a dpkg query and nothing more.
set -eu

NATIVE_PACKAGES="cmake make ninja-build g++ googletest libgtest-dev libgmock-dev libbenchmark-dev \
clang libclang-rt-14-dev clang-format libjpeg-dev python3 zlib1g-dev libminizip-dev libexpat1-dev libxml2-dev \
librevenge-dev libwpd-dev libwps-dev libmwaw-dev pandoc"
# wine64 and the x86_64 compilers: the 64-bit test flavour, for machines
# that can neither run 32-bit programs nor emulate them (the emulator,
# qemu-i386, is fetched by scripts/fetch-qemu-i386.sh when needed). m4 and
# bzip2: the cross builds of the document libraries preprocess their version
# resources with m4, and librevenge's source comes as .tar.bz2.
WINDOWS_PACKAGES="g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 fonts-wine xvfb \
xdotool x11-utils imagemagick libx11-dev nasm patch xz-utils libz-mingw-w64-dev nsis zip unzip \
p7zip-full libboost-dev m4 bzip2"

missing=""
for pkg in $NATIVE_PACKAGES $WINDOWS_PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $pkg"
  fi
done

if [ -z "$missing" ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages:$missing" >&2
  echo "install-deps: run as root (or install them) and try again" >&2
  exit 1
fi

echo "install-deps: installing$missing"
case " $(dpkg --print-foreign-architectures) " in
  *" i386 "*) ;;
  *) dpkg --add-architecture i386 ;;
esac
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
# The product is 32-bit: wine-env.sh sets WINEARCH=win32 for its prefix, and
# /usr/bin/wine keeps picking the 32-bit loader with wine64 installed.
apt-get install -y -qq --no-install-recommends $missing >/dev/null
