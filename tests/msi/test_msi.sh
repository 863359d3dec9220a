#!/bin/sh
# The MSI under Wine's msiexec in a fresh copy of the pristine prefix (what is checked: README, "What
# the test command runs"). msiexec is 64-bit for both packages (seconds a run); for the 32-bit one,
# regsvr32 is emulated (a minute). That clients work through what the MSI wrote follows from its
# being byte for byte what regsvr32 writes, through which tests/windows/com.sh and tests/script use them.
#   test_msi.sh MSI CONSTRUIRE.cmake BIN_DIR WORK_DIR PRISTINE_PREFIX
set -eu
msi=$1 construire=$2 bin=$3 travail=$4
rm -rf "$travail"
mkdir -p "$travail"
export WINEPREFIX="$travail/prefixe" WINEDEBUG=-all WINEDLLOVERRIDES=winedbg.exe=d
cp -a "$5" "$WINEPREFIX"
trap '/usr/lib/wine/wineserver64 -k 2>/dev/null || true' EXIT
dossier="Program Files" vue=/reg:64 bits=64
case $msi in *-win32.msi) dossier="Program Files (x86)" vue=/reg:32 bits=32 ;; esac
installe="$WINEPREFIX/drive_c/$dossier/Lexigarde"
version=$(sed -n 's/^  set(VERSION "\(.*\)")$/\1/p' "$construire")
# Wine's services would hold a pipe open: output goes through a file. Wine keeps 8 bits of exit codes.
wine() { /usr/lib/wine/wine64 "$@" >"$travail/sortie" 2>&1 </dev/null; }
echec() {
  echo "test_msi.sh ($bits-bit): $*" >&2
  cat "$travail/sortie" >&2
  exit 1
}
msiexec() {
  code=0
  wine msiexec "$@" /qn /l*v "Z:$travail/msi.log" || code=$?
  cp "$travail/msi.log" "$travail/sortie"
  return $code
}
# The classes as COM sees them (HKCR in the modules' view), without the Installer's own records.
classes() {
  wine reg export HKCR "Z:$travail/$1.reg" /y $vue || echec "reg export"
  iconv -f UTF-16LE -t UTF-8 "$travail/$1.reg" |
    awk '/^\[/ { garde = index($0, "[HKEY_CLASSES_ROOT\\Installer") != 1 } garde' >"$travail/$1.classes"
}
# The whole prefix: its registry and its file tree. Left out: write times, a date Wine refreshes at
# each start, and the Installer's record of where a package was installed from (each run adds to it).
prefixe() {
  /usr/lib/wine/wineserver64 -w
  sed -e 's/^\(\[.*\]\) [0-9]*$/\1/' -e '/^#time=/d' -e '/^"DriverDateData"=/d' "$WINEPREFIX/system.reg" \
    "$WINEPREFIX/user.reg" | awk '/^\[/ { garde = index($0, "\\\\SourceList") == 0 } garde' >"$travail/$1.prefixe"
  (cd "$WINEPREFIX/drive_c" && find . | sort) >>"$travail/$1.prefixe"
}
produit() { # name, version and maker of each product of ours among the installed programs
  /usr/lib/wine/wineserver64 -w
  awk '/^\[/ { if (nom) print nom, version, editeur; nom = ""; liste = index($0, "\\\\Uninstall\\\\") != 0 }
       liste && /^"DisplayName"="Lexigarde \(/ { nom = $0 } liste && /^"DisplayVersion"=/ { version = $0 }
       liste && /^"Publisher"=/ { editeur = $0 } END { if (nom) print nom, version, editeur }' \
    "$WINEPREFIX/system.reg" >"$travail/produits"
}

classes avant
prefixe vierge
msiexec /i "Z:$msi" || echec "msiexec /i"
classes installe
prefixe installe
for fichier in Lexigarde.dll LexigardePS.dll LexigardeScript.dll Lexigarde.tlb lexigarde.exe Lexigarde.manifest README.md; do
  [ -f "$installe/$fichier" ] || echec "no $fichier in C:\\$dossier\\Lexigarde"
done
liste="\"DisplayName\"=\"Lexigarde ($bits-bit)\" \"DisplayVersion\"=\"$version\" \"Publisher\"=\"Lexigarde\""
produit
grep -qx "$liste" "$travail/produits" || echec "not listed as $liste: $(cat "$travail/produits")"
cd "$travail"

msiexec /i "Z:$msi" || echec "msiexec /i again"
prefixe encore
cmp -s installe.prefixe encore.prefixe || echec "the same MSI again changed the prefix: $(diff installe.prefixe encore.prefixe | head -5)"

# A later version: the same files, a higher version (construire.cmake -DVERSION=).
suivante=${version%.*}.$((${version##*.} + 1))
cmake -DVERSION="$suivante" -DSORTIE="$travail/suivante.msi" -P "$construire" >"$travail/sortie" 2>&1 || echec "MSI $suivante"
msiexec /i "Z:$travail/suivante.msi" || echec "msiexec /i $suivante over $version"
produit
[ "$(wc -l <produits)" = 1 ] || echec "not one product: $(cat produits)"
grep -q "\"DisplayVersion\"=\"$suivante\"" produits || echec "not $suivante: $(cat produits)"
classes mis-a-jour
cmp -s installe.classes mis-a-jour.classes || echec "the upgrade changed the classes"
for fichier in Lexigarde.dll LexigardePS.dll LexigardeScript.dll Lexigarde.tlb lexigarde.exe Lexigarde.manifest; do
  cmp -s "$installe/$fichier" "$bin/$fichier" || echec "$fichier not the build's after the upgrade"
done

# Refused as a downgrade (1603, cut to 8 bits). Wine shows the package's message only in a message box,
# never under /qn nor in the log: the log says why, and the message is checked to be in the package.
! msiexec /i "Z:$msi" || echec "$version installed over $suivante"
[ $code = $((1603 % 256)) ] || echec "$version refused with $code, not 1603"
grep -q "WIX_DOWNGRADE_DETECTED = {" sortie || echec "no downgrade named in the log"
grep -q "A later version of Lexigarde ($bits-bit) is already installed" "$msi" || echec "no message refusing $version"
produit
grep -q "\"DisplayVersion\"=\"$suivante\"" produits || echec "$suivante gone after the refused $version"

# A user's own keys elsewhere under HKCR stay; everything else is as before the install.
wine reg add 'HKCR\Composant.Interne.Utilisateur\CLSID' /ve /d garde /f $vue || echec "reg add"
msiexec /x "Z:$travail/suivante.msi" || echec "msiexec /x"
wine reg query 'HKCR\Composant.Interne.Utilisateur\CLSID' $vue || echec "the user's key was removed"
grep -q garde sortie || echec "the user's value was removed"
wine reg delete 'HKCR\Composant.Interne.Utilisateur' /f $vue || echec "reg delete"
prefixe desinstalle
# Windows Installer's own empty folders of records stay (its C:\windows\Installer too), as on Windows.
diff vierge.prefixe desinstalle.prefixe | grep '^[<>]' >reste || true
laisse='^> (|\[Software\\\\(Classes|Microsoft\\\\Windows\\\\CurrentVersion)\\\\Installer(\\\\UserData\\\\S-1-5-18)?\\\\(Features|Products|UpgradeCodes|Components)\]|\./windows/Installer)$'
! grep -Ev "$laisse" reste || echec "the uninstall left the prefix changed: $(grep -Ev "$laisse" reste | head -5)"

# regsvr32 of the same files at the same place writes what the MSI wrote, and nothing else.
mkdir -p "$installe"
for fichier in Lexigarde.dll LexigardePS.dll LexigardeScript.dll; do
  cp "$bin/$fichier" "$installe/"
done
wine regsvr32 /s "C:\\$dossier\\Lexigarde\\Lexigarde.dll" "C:\\$dossier\\Lexigarde\\LexigardePS.dll" \
  "C:\\$dossier\\Lexigarde\\LexigardeScript.dll" || echec "regsvr32"
classes regsvr32
cmp -s installe.classes regsvr32.classes || echec "the MSI and regsvr32 differ: $(diff installe.classes regsvr32.classes | head -5)"
