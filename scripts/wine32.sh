#!/bin/sh
# wine32.sh --verifier: says whether this machine runs 32-bit Windows programs
# under Wine (exit 0), or why not (one line, exit 1).
set -u
if [ ! -x /usr/lib/wine/wine ]; then
  echo "the 32-bit Wine loader (wine32:i386) is not installed"
  exit 1
fi
if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "this kernel cannot run 32-bit x86 programs and no i386 emulation is registered"
  exit 1
fi
exit 0
