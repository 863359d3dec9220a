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
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$chargeur" wineboot.exe -i </dev/null >"$WINEPREFIX.log" 2>&1
      # A copy as wineboot left it, for the 64-bit tests that need a prefix
      # where nothing was ever registered, without paying Wine's set-up again.
      if [ "$(basename "$chargeur")" = wine64 ]; then
        /usr/lib/wine/wineserver64 -w && rm -rf "$WINEPREFIX-vierge" && cp -a "$WINEPREFIX" "$WINEPREFIX-vierge"
      fi
    fi
  ) 9>"$WINEPREFIX.lock"
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
