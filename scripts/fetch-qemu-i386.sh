#!/bin/bash
# Puts the static qemu-i386 (version 10 or newer, from Debian's
# bookworm-backports qemu-user package) under build/qemu/ and prints its
# path. It lets a kernel without 32-bit support run the 32-bit Wine (see
# scripts/with-i386-emulation.sh). Debian 12's own qemu 7.2 is no use: it
# answers Wine's fixed-address mappings with other addresses.
#
# Nothing on the machine changes: apt reads a sources list of its own
# (bookworm-backports on the mirror this machine already uses) and keeps
# its lists under build/qemu/apt; the package is only downloaded and one
# file taken out of it; nothing is installed or registered.
# A binary already there that passes the check is kept, so a second run
# downloads nothing.
#
# usage: scripts/fetch-qemu-i386.sh     (stdout: the binary's path)
# Exit status 0 with a working binary, 1 otherwise (the reason on stderr).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
HOME_DIR="$ROOT/build/qemu"
BIN="$HOME_DIR/usr/bin/qemu-i386"
MIN_MAJOR=10
SUITE=bookworm-backports

say() { echo "fetch-qemu-i386: $*" >&2; }
die() { say "$*"; exit 1; }

# The binary's major version, or nothing.
major_of() {
  "$1" --version 2>/dev/null | sed -n -E '1s/^qemu-i386 version ([0-9]+)\..*/\1/p'
}

# Whether $1 is a qemu-i386 recent enough that runs a 32-bit program (the
# machine's 32-bit dynamic loader, which the 32-bit Wine needs anyway).
usable() {
  local major
  [ -x "$1" ] || return 1
  major=$(major_of "$1")
  [ -n "$major" ] && [ "$major" -ge "$MIN_MAJOR" ] || return 1
  [ -e /lib/ld-linux.so.2 ] || { say "no /lib/ld-linux.so.2: run scripts/install-deps.sh"; return 1; }
  timeout 60 "$1" /lib/ld-linux.so.2 --version 2>/dev/null | grep -q 'ld.so'
}

if usable "$BIN"; then
  echo "$BIN"
  exit 0
fi

# The Debian archive this machine uses: the URI (and key) of its first deb
# entry for bookworm, from the deb822 files or the one-line list.
mirror=""
keyring=""
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  read -r mirror keyring < <(awk 'BEGIN { RS = ""; FS = "\n" }
    { types = ""; uris = ""; suites = ""; key = ""
      for (i = 1; i <= NF; i++) {
        if ($i ~ /^Types:/) types = $i
        else if ($i ~ /^URIs:/) uris = $i
        else if ($i ~ /^Suites:/) suites = $i
        else if ($i ~ /^Signed-By:/) key = $i
      }
      if (types ~ /[ \t]deb([ \t]|$)/ && suites ~ /[ \t]bookworm([ \t]|$)/) {
        split(uris, u, /[ \t]+/); split(key, k, /[ \t]+/)
        print u[2], k[2]; exit
      } }' /etc/apt/sources.list.d/debian.sources) || true
fi
if [ -z "$mirror" ] && [ -f /etc/apt/sources.list ]; then
  mirror=$(sed -n -E 's/^[[:space:]]*deb[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]+)[[:space:]]+bookworm[[:space:]].*/\2/p' \
    /etc/apt/sources.list | head -1)
fi
[ -n "$mirror" ] || die "found no Debian bookworm entry in /etc/apt/sources.list*"
[ -n "$keyring" ] && [ -f "$keyring" ] || keyring=/usr/share/keyrings/debian-archive-keyring.gpg
[ -f "$keyring" ] || die "no Debian archive keyring ($keyring)"

apt_home="$HOME_DIR/apt"
rm -rf "$apt_home"
mkdir -p "$apt_home/lists/partial" "$apt_home/cache/archives/partial" "$HOME_DIR/download"
# check-valid-until=no: the archive reachable here may be a frozen copy
# whose Release file has expired.
echo "deb [arch=amd64 signed-by=$keyring check-valid-until=no] $mirror $SUITE main" \
  >"$apt_home/sources.list"
apt_opts=(
  -o "Dir::Etc::sourcelist=$apt_home/sources.list"
  -o "Dir::Etc::sourceparts=-"
  -o "Dir::State::Lists=$apt_home/lists"
  -o "Dir::Cache=$apt_home/cache"
  -o "Acquire::Check-Valid-Until=false"
  -o "Acquire::Languages=none"
  -o "APT::Architectures::=amd64"
)
# As root apt drops to the _apt user for downloads, who cannot write here.
[ "$(id -u)" -ne 0 ] || apt_opts+=(-o "APT::Sandbox::User=root")

say "fetching qemu-user from $SUITE on $mirror"
apt-get "${apt_opts[@]}" update -qq >"$apt_home/update.log" 2>&1 ||
  die "apt-get update of $SUITE failed; see $apt_home/update.log"
# The newest version of the wanted major or later.
version=$(apt-cache "${apt_opts[@]}" madison qemu-user 2>/dev/null |
  awk -F'|' -v suite="$SUITE" 'index($3, suite) { gsub(/ /, "", $2); print $2 }' |
  awk -F'[:.]' -v min="$MIN_MAJOR" '{ m = ($0 ~ /^[0-9]+:/) ? $2 : $1 } m + 0 >= min' |
  sort -rV | head -1)
[ -n "$version" ] || die "no qemu-user of version $MIN_MAJOR or newer in $SUITE on $mirror"

cd "$HOME_DIR/download"
rm -f qemu-user_*.deb
apt-get "${apt_opts[@]}" download -qq "qemu-user=$version" >"$apt_home/download.log" 2>&1 ||
  die "downloading qemu-user $version failed; see $apt_home/download.log"
deb=$(ls qemu-user_*.deb)
rm -rf "${HOME_DIR:?}/usr"
(cd "$HOME_DIR" && dpkg-deb --fsys-tarfile "download/$deb" | tar -x ./usr/bin/qemu-i386) ||
  die "could not take usr/bin/qemu-i386 out of $deb"
rm -f "$deb"
rm -rf "$apt_home/cache"
usable "$BIN" || die "$BIN ($version) does not run 32-bit programs"
say "qemu-i386 $version in $BIN"
echo "$BIN"
