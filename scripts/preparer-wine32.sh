#!/bin/sh
# Prepares this machine to run 32-bit Windows programs under Wine: the i386
# packages of Wine, and user-mode emulation (qemu) registered for 32-bit x86
# executables, which this kind of kernel cannot run by itself.
# Idempotent; says what it changes. Where the machine refuses, it stops with
# one line that says why, and exit status 1.
set -u
dit() { echo "preparer-wine32: $*"; }
refus() { echo "preparer-wine32: skipped: $*"; exit 1; }

[ "$(id -u)" -eq 0 ] || refus "root is needed to add packages and register the i386 emulator"

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386 || refus "dpkg would not add the i386 architecture"
  dit "added the i386 architecture to dpkg"
  apt-get update -q >/dev/null 2>&1 || true
fi

installer() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    wine wine32:i386 wine64 qemu-user libgcc-s1:i386 >/tmp/preparer-wine32-apt.log 2>&1
}
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed" ||
  ! dpkg-query -W -f='${Status}' qemu-user 2>/dev/null | grep -q "ok installed" ||
  ! dpkg-query -W -f='${Status}' libgcc-s1:i386 2>/dev/null | grep -q "ok installed"; then
  apt-get update -q >/dev/null 2>&1 || true
  if ! installer; then
    # The i386 index of the security suite can lag behind the amd64 one,
    # which leaves the two halves of a library out of step: prefer the
    # main suite's matching versions.
    preference=/etc/apt/preferences.d/lexigarde-wine32
    if [ ! -f "$preference" ]; then
      printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$preference"
      dit "gave the security suite a lower priority ($preference) so that i386 and amd64 versions match"
    fi
    apt-get update -q >/dev/null 2>&1 || true
    installer || refus "wine32:i386 and qemu-user could not be installed (see /tmp/preparer-wine32-apt.log)"
  fi
  dit "installed wine32:i386 and qemu-user"
fi

binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/register" ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || refus "binfmt_misc cannot be mounted here"
  dit "mounted binfmt_misc"
fi
if ! grep -qs '^enabled' "$binfmt/qemu-i386" "$binfmt/lexigarde-i386"; then
  [ -x /usr/bin/qemu-i386 ] || refus "/usr/bin/qemu-i386 is missing"
  magie='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  masque='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf ':lexigarde-i386:M::%s:%s:/usr/bin/qemu-i386:F\n' "$magie" "$masque" >"$binfmt/register" 2>/dev/null ||
    refus "the kernel refused to register qemu-i386 for 32-bit executables"
  dit "registered /usr/bin/qemu-i386 for 32-bit x86 executables"
fi

/usr/lib/wine/wine --version >/dev/null 2>&1 || refus "the 32-bit Wine loader does not start under emulation"
dit "32-bit Windows programs run under Wine here"
