#!/bin/sh
# Runs a Windows program under Wine for the tests: wine.sh LOADER PROGRAM [ARGS...]
# The Wine prefix lives in the build tree (LEXIGARDE_WINEPREFIX, or
# ./wineprefix from where ctest runs) and is made once, outside the caller's
# pipes: Wine's background services would otherwise hold them open.
set -e
chargeur=$1
shift
export WINEPREFIX="${LEXIGARDE_WINEPREFIX:-$PWD/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# A crash ends the program at once instead of starting Wine's debugger,
# which would wait for nobody (and, emulated, take minutes to start).
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winedbg.exe=d}"
# Wine's set-up takes minutes where its 32-bit side runs under emulation: it
# runs once, by the 64-bit loader (the prefix is the same WoW64 one for 32- and
# 64-bit programs), into a pristine prefix that each build's prefix, and each
# of the package test's fresh ones, copies (LEXIGARDE_PREFIXE_VIERGE).
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  vierge="${LEXIGARDE_PREFIXE_VIERGE:-$WINEPREFIX-vierge}"
  mkdir -p "$(dirname "$vierge")"
  (
    flock 9
    # One made before the 32-bit loader could run lacks its 32-bit side:
    # made again for a 32-bit program.
    if [ ! -f "$vierge/system.reg" ] || { [ "$(basename "$chargeur")" = wine ] && [ ! -f "$vierge/avec-wine32" ]; }; then
      rm -rf "$vierge.tmp" "$vierge"
      WINEPREFIX="$vierge.tmp" /usr/lib/wine/wine64 wineboot.exe -i </dev/null >"$vierge.log" 2>&1
      WINEPREFIX="$vierge.tmp" /usr/lib/wine/wineserver64 -w
      if /usr/lib/wine/wine --version >/dev/null 2>&1; then touch "$vierge.tmp/avec-wine32"; fi
      mv "$vierge.tmp" "$vierge"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      rm -rf "$WINEPREFIX" && cp -a "$vierge" "$WINEPREFIX"
    fi
  ) 9>"$vierge.lock"
fi
# 32-bit programs run under user-mode emulation on this kind of machine,
# which cannot be trusted with many threads at once; the tests that need
# that say so and skip.
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/lexigarde-i386 /proc/sys/fs/binfmt_misc/qemu-i386 &&
  [ "$(basename "$chargeur")" = wine ]; then
  export LEXIGARDE_EMULATION_I386=1
fi
# Keep one server up between the test programs, away from our pipes.
/usr/lib/wine/wineserver64 -p30 </dev/null >/dev/null 2>&1 || true
exec "$chargeur" "$@"
