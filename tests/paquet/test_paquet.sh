#!/bin/sh
# The zip package as users get it: fichiers ZIP, its file list; complet SAMPLES ZIP WORK_DIR TOOLCHAIN VERSION
# PRISTINE_PREFIX LOADER, unzipped in a fresh copy of a prefix as wineboot made it: the tool, the client of
# ./client built through find_package, the tool again without the manifest.
set -u
ko() {
  echo "FAILED: $*" >&2
  echecs=$((echecs + 1))
}
if [ "$1" = fichiers ]; then
  attendue=$(printf "$(basename "$2" .zip)/%s\n" bin/Lexigarde.dll bin/Lexigarde.manifest bin/LexigardePS.dll bin/LexigardeScript.dll \
    bin/lexigarde.exe include/lexigarde.h include/lexigarde_interfaces.idl include/lexigarde_interfaces.h lib/Lexigarde.tlb \
    lib/cmake/Lexigarde/LexigardeConfig.cmake \
    lib/cmake/Lexigarde/LexigardeConfigVersion.cmake share/doc/Lexigarde/README.md | sort)
  [ "$(cmake -E tar tf "$2" | grep -v '/$' | sort)" = "$attendue" ] && exit 0
  echo "FAILED: $2 holds: $(cmake -E tar tf "$2")"
  exit 1
fi
client=$(cd "$(dirname "$0")" && pwd)/client echecs=0 echantillons=$2 zip=$3 travail=$4 version=$6 chargeur=$8
rm -rf "$travail"
mkdir -p "$travail"
cd "$travail" || exit 1
export WINEDEBUG=-all WINEDLLOVERRIDES=winedbg.exe=d WINEPREFIX="$travail/wineprefix"
# OLE's cache of BSTRs off: the client counts the blocks of COM's allocator.
export OANOCACHE=1
paquet="$travail/$(basename "$zip" .zip)"
bin="$paquet/bin"
cp -a "$7" "$WINEPREFIX" || exit 1
cmake -E tar xf "$zip" || exit 1
trap 'wineserver -k 2>/dev/null; [ "$echecs" -ne 0 ] || rm -rf "$WINEPREFIX"' EXIT
# Wine's services would hold a pipe open: output goes through files. wine FOLDER INPUT PROGRAM ARGS...
wine() {
  dossier=$1 entree=$2
  shift 2
  (cd "$dossier" && "$chargeur" "$@" <"$entree" >"$travail/sortie" 2>"$travail/erreurs")
  statut=$?
}
wine "$bin" /dev/null lexigarde.exe translate "Z:$echantillons/texte-latin1.txt"
[ $statut -eq 0 ] || ko "translate: $statut, $(cat erreurs)"
cmp -s sortie "$echantillons/texte-latin1.html" || ko "translate: not the sample's HTML"
wine "$bin" /dev/null lexigarde.exe status
grep -q '^activation: COM, registration-free through .*\\bin\\Lexigarde.manifest' sortie || ko "status: $(cat sortie)"
grep -q 'registered: no' sortie || ko "status: something registered"
wine "$bin" /dev/null lexigarde.exe --version
[ "$(tr -d '\r' <sortie)" = "lexigarde $version" ] || ko "--version: $(cat sortie)"

# A client as users write one, through find_package: built (which copies the DLLs beside it through
# $<TARGET_FILE:...>), then installed (install(IMPORTED_RUNTIME_ARTIFACTS ...)).
cmake -S "$client" -B client -DCMAKE_TOOLCHAIN_FILE="$5" -DCMAKE_PREFIX_PATH="$paquet" >client.log 2>&1 || ko "client: $(cat client.log)"
cmake --build client >>client.log 2>&1 || ko "client's build: $(cat client.log)"
cmake --install client --prefix installe >>client.log 2>&1 || ko "client's install: $(cat client.log)"
# Where it was built: the automation companion, copied beside it too (first, its type library's first
# load then counted); then in the multithreaded apartment, through the copied proxy/stub.
cp "$bin/LexigardeScript.dll" client
wine client /dev/null client.exe automation mta
grep -q '^client: [1-9][0-9]* checks, 0 failed' sortie || ko "client.exe automation mta: $(cat sortie)"
[ $statut -eq 0 ] || ko "client.exe automation mta: exit status $statut"
# Where it was installed: the type library and every binary's version resource (the tool's from the package).
cp "$bin/lexigarde.exe" installe/bin
wine installe/bin /dev/null client.exe fichiers
grep -q '^client: [1-9][0-9]* checks, 0 failed' sortie || ko "client.exe fichiers: $(cat sortie)"
[ $statut -eq 0 ] || ko "client.exe fichiers: exit status $statut"

# Without the manifest: the registry's answer, in one line.
rm "$bin/Lexigarde.manifest"
wine "$bin" /dev/null lexigarde.exe translate "Z:$echantillons/texte-latin1.txt"
[ $statut -eq 2 ] || ko "no manifest: exit status $statut"
[ "$(wc -l <erreurs)" -eq 1 ] || ko "no manifest: not one line: $(cat erreurs)"
grep -q 'class not registered' erreurs || ko "no manifest: $(cat erreurs)"
grep -q 'or name it with --module' erreurs || ko "no manifest, no advice: $(cat erreurs)"
echo "test_paquet: $echecs failed"
[ "$echecs" -eq 0 ]
