#!/bin/sh
# The zip package as users get it: fichiers ZIP WITH_PROXY_STUB(0|1), its file list;
# sans-registre SAMPLES BIN_DIR LAUNCHER..., the tool beside Lexigarde.manifest after regsvr32 /u;
# complet SAMPLES ZIP WORK_DIR TOOLCHAIN VERSION PRISTINE_PREFIX LOADER, unzipped in a fresh Wine prefix
# (a copy of PRISTINE_PREFIX, made by wineboot if missing): the tool,
# the client of ./client built through find_package, the tool again without the manifest.
set -u
ici=$(cd "$(dirname "$0")" && pwd)
mode=$1 echecs=0
shift
ko() { echo "FAILED: $*" >&2; echecs=$((echecs + 1)); }
fin() { echo "test_paquet $mode: $echecs failed"; [ "$echecs" -eq 0 ]; exit; }

if [ "$mode" = fichiers ]; then
  racine=$(basename "$1" .zip)
  attendus="bin/Lexigarde.dll bin/Lexigarde.manifest bin/lexigarde.exe include/lexigarde.h share/doc/Lexigarde/README.md
    lib/cmake/Lexigarde/LexigardeConfig.cmake lib/cmake/Lexigarde/LexigardeConfigVersion.cmake"
  [ "$2" -eq 1 ] && attendus="$attendus bin/LexigardePS.dll include/lexigarde.idl lib/Lexigarde.tlb"
  liste=$(cmake -E tar tf "$1" | grep -v '/$' | sort)
  [ "$liste" = "$(for f in $attendus; do echo "$racine/$f"; done | sort)" ] || ko "$1 holds: $liste"
  fin
fi

echantillons=$1
# Wine's services would hold a pipe open: output goes through files.
wine() { entree=$1; shift; (cd "$bin" && "$@" <"$entree" >"$travail/sortie" 2>"$travail/erreurs"); statut=$?; }
if [ "$mode" = sans-registre ]; then
  bin=$2 travail=$(mktemp -d)
  shift 2
  wine /dev/null "$@" lexigarde.exe translate "Z:$echantillons/texte-latin1.txt"
  [ $statut -eq 0 ] && cmp -s "$travail/sortie" "$echantillons/texte-latin1.html" || ko "translate: $(cat "$travail/erreurs")"
  rm -rf "$travail"
  fin
fi

zip=$2 travail=$3 chaine=$4 version=$5 vierge=$6 chargeur=$7
rm -rf "$travail" && mkdir -p "$travail" && cd "$travail" || exit 1
export WINEDEBUG=-all WINEDLLOVERRIDES=winedbg.exe=d
# A prefix as wineboot made it, never used itself: each run takes a fresh copy, without
# paying Wine's set-up again (minutes where its 32-bit side runs under emulation).
if [ ! -f "$vierge/system.reg" ]; then
  rm -rf "$vierge.tmp"
  WINEPREFIX="$vierge.tmp" "$chargeur" wineboot.exe -i </dev/null >wineboot.log 2>&1 &&
    WINEPREFIX="$vierge.tmp" wineserver -w && mv "$vierge.tmp" "$vierge" || { ko "wineboot: $(cat wineboot.log)"; fin; }
fi
export WINEPREFIX="$travail/wineprefix"
cp -a "$vierge" "$WINEPREFIX" && cmake -E tar xf "$zip" && bin="$travail/$(basename "$zip" .zip)/bin" || exit 1
trap 'wineserver -k 2>/dev/null; [ "$echecs" -ne 0 ] || rm -rf "$WINEPREFIX"' EXIT

wine /dev/null "$chargeur" lexigarde.exe translate "Z:$echantillons/texte-latin1.txt"
[ $statut -eq 0 ] && cmp -s sortie "$echantillons/texte-latin1.html" || ko "translate: $statut, $(cat erreurs)"
wine "$echantillons/mots.txt" "$chargeur" lexigarde.exe check
[ $statut -eq 1 ] && grep -qx 'reinterpret_cast: keyword' sortie && grep -qx 'Class: not a keyword' sortie || ko "check: $statut"
wine /dev/null "$chargeur" lexigarde.exe status
grep -q '^activation: COM, registration-free through .*\\bin\\Lexigarde.manifest' sortie &&
  grep -q 'registered: no' sortie || ko "status: $(cat sortie)"
wine /dev/null "$chargeur" lexigarde.exe --version
[ "$(tr -d '\r' <sortie)" = "lexigarde $version" ] || ko "--version: $(cat sortie)"

# The client finds the package through CMake; in the multithreaded
# apartment where the package has the proxy/stub.
cmake -S "$ici/client" -B client -DCMAKE_TOOLCHAIN_FILE="$chaine" -DCMAKE_PREFIX_PATH="$(dirname "$bin")" >client.log 2>&1 &&
  cmake --build client >>client.log 2>&1 && cp client/client.exe client/client.exe.manifest "$bin" || ko "client: $(cat client.log)"
appartement=sta
[ -f "$bin/LexigardePS.dll" ] && appartement=mta
wine /dev/null "$chargeur" client.exe $appartement
[ $statut -eq 0 ] || ko "client.exe $appartement: $statut, $(cat sortie erreurs)"

# Without the manifest: the registry's answer, in one line.
rm "$bin/Lexigarde.manifest"
wine /dev/null "$chargeur" lexigarde.exe translate "Z:$echantillons/texte-latin1.txt"
[ $statut -eq 2 ] && [ "$(wc -l <erreurs)" -eq 1 ] && grep -q 'class not registered' erreurs ||
  ko "without the manifest: $statut, $(cat erreurs)"
fin
