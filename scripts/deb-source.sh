# shellcheck shell=sh
# Fetching and unpacking Debian's source packages, for the scripts that
# cross-build the Windows build's third-party libraries. Sourced, not run:
# the caller defines say and die and calls these from its build/deps folder.

# apt reads the source entries from apt/ in the current folder (under
# build/deps), so the machine's own apt configuration is left as it was.
private_apt() {
  d=$PWD/apt
  mkdir -p "$d/sources.list.d" "$d/lists/partial" "$d/cache/archives/partial"
  touch "$d/sources.list"
  # As root apt drops to the _apt user for downloads, who cannot write here.
  sandbox=""
  [ "$(id -u)" -eq 0 ] && sandbox="-o APT::Sandbox::User=root"
  echo "-o Dir::Etc::SourceList=$d/sources.list -o Dir::Etc::SourceParts=$d/sources.list.d" \
    "-o Dir::State::Lists=$d/lists -o Dir::Cache=$d/cache $sandbox"
}

# Writes deb-src twins of the machine's own Debian deb entries into apt/,
# so that no mirror other than the configured ones is ever contacted, and
# fetches their source indexes there.
add_deb_src() {
  # Earlier versions of this script left their entries in /etc/apt.
  rm -f /etc/apt/sources.list.d/corvane-deb-src.sources /etc/apt/sources.list.d/corvane-deb-src.list \
    2>/dev/null || true
  opts=$(private_apt)
  base=$PWD/apt/sources.list.d/corvane-deb-src
  rm -f "$base.sources" "$base.list"
  for f in /etc/apt/sources.list.d/debian.sources; do
    [ -f "$f" ] || continue
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
           if (keep) printf "%s\n", out }' "$f" >>"$base.sources"
  done
  for f in /etc/apt/sources.list; do
    [ -f "$f" ] || continue
    # One-line format: "deb [options] URI suite components".
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >>"$base.list"
  done
  for f in "$base.sources" "$base.list"; do
    [ -s "$f" ] || rm -f "$f"
  done
  ls "$base".* >/dev/null 2>&1 || die "found no Debian deb entry to derive a deb-src entry from"
  say "wrote $(ls "$base".*); fetching the source indexes into $PWD/apt"
  # shellcheck disable=SC2086  # one word per option
  apt-get $opts update -qq
}

# Leaves the source package's orig and debian tarballs in the current
# folder, downloaded once; sets TARBALL and DEBIAN_TARBALL.
fetch_source() {
  package=$1
  if ! ls "${package}"_*.orig.tar.* "${package}"_*.debian.tar.xz >/dev/null 2>&1; then
    opts=$(private_apt)
    # shellcheck disable=SC2086
    if [ -z "$(apt-cache $opts showsrc "$package" 2>/dev/null)" ]; then
      add_deb_src "$package"
    fi
    say "downloading Debian's source package $package"
    # The newest version first; a mirror that lacks its source (the
    # security archive's, here) falls back to the release's.
    # shellcheck disable=SC2086
    for version in $(apt-cache $opts showsrc "$package" | sed -n 's/^Version: //p' | sort -rV | uniq); do
      rm -f "${package}"_*
      apt-get $opts source --download-only -qq "$package=$version" 2>/dev/null && break
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
