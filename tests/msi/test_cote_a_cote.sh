#!/bin/sh
# The 32-bit and 64-bit MSIs side by side under Wine's msiexec (64-bit runs, seconds each), the
# 64-bit one made by BUILD_DIR_64's msi target:
#   test_cote_a_cote.sh MSI_32 BUILD_DIR_64 SAMPLES WORK_DIR PRISTINE_PREFIX
# Wine keeps apart the views that Windows shares (the ProgIDs): what Windows relies on is shown by
# the Installer's records, where both products are clients of each ProgID component, then the
# 64-bit one alone once the 32-bit one is removed, its tool and a script still working.
set -eu
msi32=$1 exemples=$3 travail=$4
echec() { echo "test_cote_a_cote.sh: $*" >&2; cat "$travail/sortie" >&2; exit 1; }
rm -rf "$travail" && mkdir -p "$travail" && cd "$travail"
cmake --build "$2" --target msi >sortie 2>&1 || echec "no 64-bit MSI from $2 (cmake --preset win64 first)"
msi64=$(ls "$2"/Lexigarde-*-win64.msi)
export WINEPREFIX="$travail/prefixe" WINEDEBUG=-all WINEDLLOVERRIDES=winedbg.exe=d
cp -a "$5" "$WINEPREFIX"
trap '/usr/lib/wine/wineserver64 -k 2>/dev/null || true' EXIT
wine() { /usr/lib/wine/wine64 "$@" >"$travail/sortie" 2>&1 </dev/null; }
# clients N: the products that are clients of each ProgID component (by its code packed as Windows
# Installer packs it, the key of its record), in the 32-bit package.
clients() {
  /usr/lib/wine/wineserver64 -w
  for composant in $(msiinfo export "$msi32" Component | awk '/^ProgID\./ { print $2 }' | tr -d '{}-'); do
    compte=$(awk -v code="$composant" 'BEGIN { for (i = 8; i; i--) cle = cle substr(code, i, 1)
        for (i = 12; i > 8; i--) cle = cle substr(code, i, 1)
        for (i = 16; i > 12; i--) cle = cle substr(code, i, 1)
        for (i = 17; i < 33; i += 2) cle = cle substr(code, i + 1, 1) substr(code, i, 1) }
      /^\[/ { dedans = index($0, "\\\\Components\\\\" cle "]") } dedans && /^"/ { n++ } END { print n + 0 }' \
      "$WINEPREFIX/system.reg")
    [ "$compte" = "$1" ] || echec "$compte products, not $1, are clients of the component $composant"
  done
}
wine msiexec /i "Z:$msi64" /qn && wine msiexec /i "Z:$msi32" /qn || echec "msiexec /i"
clients 2
wine msiexec /x "Z:$msi32" /qn || echec "msiexec /x $msi32"
clients 1
cd "$WINEPREFIX/drive_c/Program Files/Lexigarde"
wine lexigarde.exe --registry translate -o "Z:$travail/texte.html" "Z:$exemples/texte-latin1.txt" &&
  cmp -s "$travail/texte.html" "$exemples/texte-latin1.html" || echec "the tool"
printf 'WScript.Echo CreateObject("Lexigarde.TraductionHTML").TraduireTexte("a < b")\r\n' >"$travail/essai.vbs"
wine cscript.exe //nologo "Z:$travail/essai.vbs" && grep -q '^a &lt; b' "$travail/sortie" || echec "a script"
