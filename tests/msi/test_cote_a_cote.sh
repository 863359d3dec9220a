#!/bin/sh
# The 32-bit and the 64-bit MSI side by side (README, "The installer (MSI)"):
#   test_cote_a_cote.sh MSI_32 BUILD_DIR_64 SAMPLES WORK_DIR PRISTINE_PREFIX
# (the 64-bit MSI is made by BUILD_DIR_64's msi target). In both packages, each registry row of a
# key that 64-bit Windows keeps as one for both views (all but CLSID, Interface and the like) lies
# in a component of the same code, with the same rows. Under Wine's msiexec (64-bit runs, seconds
# each): with both products installed, each of them is a client of those components; the 32-bit
# product removed, the 64-bit one is their only client and its tool and a script still find the
# classes by ProgID. Wine keeps the two views apart, so what Windows shares is shown by the counts.
set -eu
msi32=$1 construction64=$2 exemples=$3 travail=$4
echec() { echo "test_cote_a_cote.sh: $*" >&2; [ ! -f "$travail/sortie" ] || cat "$travail/sortie" >&2; exit 1; }
rm -rf "$travail" && mkdir -p "$travail" && cd "$travail"
[ -f "$construction64/CMakeCache.txt" ] || echec "no 64-bit build in $construction64: cmake --preset win64 && cmake --build --preset win64"
cmake --build "$construction64" --target msi >sortie 2>&1 || echec "the 64-bit MSI"
msi64=$(ls "$construction64"/Lexigarde-*-win64.msi)

# partagees MSI: each row of a shared key (Root 0 is HKCR) with its component's code, sorted.
partagees() {
  msiinfo export "$1" Component | tr -d '\r' | tail -n +4 >composants
  msiinfo export "$1" Registry | tr -d '\r' | tail -n +4 |
    awk -F '\t' 'NR == FNR { code[$1] = $2; next }
      $2 == 0 && $3 !~ /^(CLSID|Interface|DirectShow|Media Type|MediaFoundation)(\\|$)/ {
        print $3 "\t" $4 "\t" $5 "\t" code[$6] }' composants - | sort
}
partagees "$msi32" >partagees32
partagees "$msi64" >partagees64
[ -s partagees64 ] || echec "no row of a shared key in $msi64"
cmp -s partagees32 partagees64 || echec "the shared keys' rows differ: $(diff partagees32 partagees64 | head -n 4)"
composants=$(cut -f 4 partagees64 | sort -u)

export WINEPREFIX="$travail/prefixe" WINEDEBUG=-all WINEDLLOVERRIDES=winedbg.exe=d
cp -a "$5" "$WINEPREFIX"
trap '/usr/lib/wine/wineserver64 -k 2>/dev/null || true' EXIT
wine() { /usr/lib/wine/wine64 "$@" >"$travail/sortie" 2>&1 </dev/null; }
# clients N: each shared component has N products as clients in the Installer's records, where a
# component's key is its code packed as Windows Installer packs it.
clients() {
  /usr/lib/wine/wineserver64 -w
  for composant in $composants; do
    cle=$(echo "$composant" | tr -d '{}-' | awk '{ s = $0; r = ""
      for (i = 8; i >= 1; i--) r = r substr(s, i, 1)
      for (i = 12; i >= 9; i--) r = r substr(s, i, 1)
      for (i = 16; i >= 13; i--) r = r substr(s, i, 1)
      for (i = 17; i < 33; i += 2) r = r substr(s, i + 1, 1) substr(s, i, 1)
      print r }')
    compte=$(awk -v cle="$cle]" '/^\[/ { dedans = index($0, "Components") && index($0, cle); next }
      dedans && /^"/ { n++ } END { print n + 0 }' "$WINEPREFIX/system.reg")
    [ "$compte" = "$1" ] || echec "$compte products, not $1, are clients of the component $composant"
  done
}
wine msiexec /i "Z:$msi64" /qn || echec "msiexec /i $msi64"
wine msiexec /i "Z:$msi32" /qn || echec "msiexec /i $msi32"
clients 2
wine msiexec /x "Z:$msi32" /qn || echec "msiexec /x $msi32"
clients 1
cd "$WINEPREFIX/drive_c/Program Files/Lexigarde"
wine lexigarde.exe --registry translate -o "Z:$travail/texte.html" "Z:$exemples/texte-latin1.txt" || echec "the tool"
cmp -s "$travail/texte.html" "$exemples/texte-latin1.html" || echec "the tool's translation"
printf 'WScript.Echo CreateObject("Lexigarde.TraductionHTML").TraduireTexte("a < b")\r\n' >"$travail/essai.vbs"
wine cscript.exe //nologo "Z:$travail/essai.vbs" && grep -q '^a &lt; b' "$travail/sortie" || echec "a script"
