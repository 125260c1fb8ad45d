#!/bin/bash
# Runs a command in which 32-bit x86 Linux programs run, through qemu-i386,
# on a kernel that cannot run them itself (its IA-32 emulation is off):
#
#   scripts/with-i386-emulation.sh COMMAND [ARGS...]
#   scripts/with-i386-emulation.sh --check     (only says whether it can)
#
# The command runs in a user and mount namespace of its own whose private
# binfmt_misc hands every i386 ELF program to qemu-i386 (from
# scripts/fetch-qemu-i386.sh). The host's binfmt_misc and every process
# outside stay untouched; a 32-bit program started outside still fails with
# "Exec format error", so everything that starts the 32-bit Wine must run
# under this command. Needs Linux 6.7 or newer (binfmt_misc per user
# namespace) and user namespaces.
#
# Exit status: the command's; 125 when the emulation cannot be set up (the
# reason on stderr, one line starting "with-i386-emulation: cannot").
# In the command, CORVANE_I386_EMULATION names the emulator and version.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)

say() { echo "with-i386-emulation: $*" >&2; }
cannot() { say "cannot run 32-bit programs under emulation here: $*"; exit 125; }

[ $# -gt 0 ] || { echo "usage: $0 COMMAND [ARGS...] | --check" >&2; exit 2; }

# Inside the namespace (this script runs itself there): register qemu-i386
# for i386 ELF programs, then become the command.
if [ "$1" = --inside ]; then
  qemu=$2
  shift 2
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc ||
    cannot "binfmt_misc cannot be mounted in a user namespace (needs Linux 6.7 or newer; this is $(uname -r))"
  # ELF, 32-bit, little-endian, version 1, executable or shared object
  # (the mask folds ET_EXEC and ET_DYN), machine EM_386. F: the kernel opens
  # the emulator now, so the command needs no path to it.
  printf ':qemu-i386:M::%s:%s:%s:F\n' \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
    '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff' \
    "$qemu" >/proc/sys/fs/binfmt_misc/register ||
    cannot "could not register $qemu in the namespace's binfmt_misc"
  exec "$@"
fi

# Per-user-namespace binfmt_misc came with Linux 6.7.
kernel=$(uname -r)
IFS=.- read -r kmajor kminor _ <<<"$kernel"
if [ "$kmajor" -lt 6 ] || { [ "$kmajor" -eq 6 ] && [ "$kminor" -lt 7 ]; }; then
  cannot "Linux $kernel has no binfmt_misc per user namespace (needs 6.7 or newer)"
fi
command -v unshare >/dev/null 2>&1 || cannot "no unshare (util-linux)"
unshare --user --map-root-user true 2>/dev/null ||
  cannot "user namespaces are not available (unshare --user failed)"
qemu=$("$ROOT/scripts/fetch-qemu-i386.sh") || cannot "no usable qemu-i386 (see above)"
case "$qemu" in
  *:*) cannot "the emulator's path holds a colon, which binfmt_misc cannot take: $qemu" ;;
esac
CORVANE_I386_EMULATION="qemu-i386 $("$qemu" --version | sed -n -E '1s/^qemu-i386 version ([^ ]+).*/\1/p')"
export CORVANE_I386_EMULATION

inside=(unshare --user --map-root-user --mount --kill-child=TERM -- "$0" --inside "$qemu")
if [ "$1" = --check ]; then
  # The 32-bit dynamic loader, as scripts/can-run-32bit.sh runs it.
  "${inside[@]}" /lib/ld-linux.so.2 --version >/dev/null 2>&1 ||
    cannot "a 32-bit program did not start in the namespace"
  exit 0
fi
exec "${inside[@]}" "$@"
