#!/bin/sh
# Exits 0 when this machine can run 32-bit x86 Linux programs, which the
# 32-bit Wine needs. Some kernels (and some virtual machines) have their
# 32-bit emulation switched off: there every i386 program fails with
# "Exec format error", Wine included.
loader=/lib/ld-linux.so.2
[ -e "$loader" ] || exit 1  # no 32-bit C library: install-deps has not run
"$loader" --version >/dev/null 2>&1
