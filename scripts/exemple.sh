#!/bin/sh
# The main job: builds Lexigarde and runs the client tool on the sample
# input, on Linux and, where Wine is present, through the real Windows DLL
# reached through COM: registration-free, then registered with regsvr32.
#   scripts/exemple.sh [--win32]   (--win32: the shipped 32-bit DLL, under
#                                   emulation: minutes rather than seconds)
set -eu
cd "$(dirname "$0")/.."
racine=$(pwd)
scripts/installer-dependances.sh >/dev/null
preset=win64 chargeur=/usr/lib/wine/wine64
if [ "${1:-}" = --win32 ]; then preset=win32 chargeur=/usr/lib/wine/wine; fi

titre() { printf '\n\033[1m== %s\033[0m\n' "$*"; }

cmake --preset host >/dev/null
cmake --build --preset host -j "$(nproc)" --target lexigarde >/dev/null
outil=build/host/bin/lexigarde
titre "Linux: lexigarde check < samples/mots.txt"
"$outil" check <samples/mots.txt || echo "(exit status $?: not every word is a keyword)"
titre "Linux: lexigarde translate samples/texte-latin1.txt"
"$outil" translate samples/texte-latin1.txt

if [ ! -x "$chargeur" ]; then
  titre "Windows: skipped, $chargeur is not installed"
  exit 0
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target lexigarde >/dev/null
export WINEPREFIX="$racine/build/$preset/exemple-wineprefix" WINEDEBUG=-all
sortie="$racine/build/$preset/exemple.out"
# Wine's services would hold a pipe open: its output goes through a file.
wine() { (cd "build/$preset/bin" && "$racine/cmake/wine.sh" "$chargeur" "$@" >"$sortie" 2>&1 </dev/null); statut=$?; cat "$sortie"; return $statut; }
titre "Windows ($preset), registration-free (Lexigarde.manifest beside it): lexigarde.exe status"
wine lexigarde.exe status
titre "Windows ($preset), registration-free: lexigarde.exe translate texte-latin1.txt"
wine lexigarde.exe translate "Z:$racine/samples/texte-latin1.txt"
titre "Windows ($preset): wine regsvr32 Lexigarde.dll"
wine regsvr32 /s Lexigarde.dll && echo "registered"
titre "Windows ($preset), through the registry: lexigarde.exe --registry check class Class typename"
wine lexigarde.exe --registry check class Class typename || echo "(exit status $?: not every word is a keyword)"
titre "Windows ($preset): wine regsvr32 /u Lexigarde.dll"
wine regsvr32 /u /s Lexigarde.dll && echo "unregistered"
