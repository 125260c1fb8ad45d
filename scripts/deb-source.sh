# shellcheck shell=sh
# Fetching and unpacking Debian's source packages, for the scripts that
# cross-build the Windows build's third-party libraries. Sourced, not run:
# the caller defines say and die and calls these from its build/deps folder.

# Adds deb-src twins of the machine's own Debian deb entries, so that no
# mirror other than the configured ones is ever contacted.
add_deb_src() {
  [ "$(id -u)" -eq 0 ] || die "no deb-src entry for $1; rerun as root to add one"
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

# Leaves the source package's orig and debian tarballs in the current
# folder, downloaded once; sets TARBALL and DEBIAN_TARBALL.
fetch_source() {
  package=$1
  if ! ls "${package}"_*.orig.tar.* "${package}"_*.debian.tar.xz >/dev/null 2>&1; then
    if [ -z "$(apt-cache showsrc "$package" 2>/dev/null)" ]; then
      add_deb_src "$package"
    fi
    say "downloading Debian's source package $package"
    # As root apt drops to the _apt user for downloads, who cannot write here.
    sandbox=""
    [ "$(id -u)" -eq 0 ] && sandbox="-o APT::Sandbox::User=root"
    # The newest version first; a mirror that lacks its source (the
    # security archive's, here) falls back to the release's.
    # shellcheck disable=SC2086
    for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV | uniq); do
      rm -f "${package}"_*
      apt-get source --download-only -qq $sandbox "$package=$version" 2>/dev/null && break
      say "no source of $package $version on the mirror"
    done
  fi
  set -- "${package}"_*.orig.tar.*
  [ "$#" -eq 1 ] || die "expected one ${package}_*.orig.tar.* in $(pwd), found: $*"
  TARBALL=$1
  set -- "${package}"_*.debian.tar.xz
  [ "$#" -eq 1 ] || die "expected one ${package}_*.debian.tar.xz in $(pwd), found: $*"
  DEBIAN_TARBALL=$1
}

# Unpacks TARBALL with Debian's patch series applied (by hand: dpkg-source
# may not be installed) into the new folder $1.
unpack_patched() {
  command -v patch >/dev/null 2>&1 || die "needs 'patch' (scripts/install-deps.sh installs it)"
  dir=$1
  rm -rf "$dir"
  mkdir "$dir"
  tar xf "$TARBALL" -C "$dir" --strip-components=1
  tar xJf "$DEBIAN_TARBALL" -C "$dir" debian
  if [ -f "$dir/debian/patches/series" ]; then
    for p in $(sed -e 's/#.*//' "$dir/debian/patches/series"); do
      patch -d "$dir" -p1 --forward --quiet <"$dir/debian/patches/$p" ||
        die "Debian patch $p of $TARBALL does not apply"
    done
  fi
}
