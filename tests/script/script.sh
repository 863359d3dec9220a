#!/bin/sh
# The automation companion under Wine's own script host (cscript), which nobody here wrote:
#   script.sh LAUNCHER LOADER BIN_DIR SOURCE_DIR WORK_DIR [--court]
# 64-bit: regsvr32 of LexigardeScript.dll alone (the scripts then hear that Lexigarde.dll is missing,
# in words), a registration of Lexigarde.dll naming a missing file (they hear COM's error), then
# Lexigarde.dll's own; the VBScript client, the README's example run as written, `lexigarde status`;
# regsvr32 /u of both (that it leaves none of the companion's keys, tests/windows/com.sh shows).
# --court (32-bit, emulated: a minute a process): the stage's regsvr32 registered all three DLLs;
# the tool once, for the expected output, and the VBScript client once.
set -eu
lanceur=$1 chargeur=$2 bin=$3 source=$4 travail=$5 court=${6:-}
rm -rf "$travail"
mkdir -p "$travail"
cd "$travail"
export WINELOADER=/usr/lib/wine/wine64 # Wine's own programs start 64-bit, not under emulation
[ -z "$court" ] || export WINELOADER=$chargeur
# Wine's services would hold a pipe open: output goes through a file.
wine() { (cd "$bin" && "$lanceur" "$chargeur" "$@") >"$travail/sortie" 2>&1 </dev/null; }
echec() {
  echo "script.sh: $*" >&2
  cat "$travail/sortie" >&2
  exit 1
}
cscript=cscript.exe
[ -z "$court" ] || cscript='C:\windows\syswow64\cscript.exe'
# A script's run: it prints its own count; Wine's script host hides what the script does not catch.
executer() {
  wine "$cscript" //nologo "Z:$source/tests/script/$1" "Z:$travail" ${2:-} || [ -n "$court" ] || echec "$1 ${2:-}: exit status"
  grep -q "^script: [1-9][0-9]* checks, 0 failed" sortie || echec "$1 ${2:-}"
}

# The data: the 256 codes of Latin-1 in UTF-8, then the French sample with two
# characters past Latin-1 (the tool's --utf8 input, its output the scripts' expected bytes); the
# French part alone in UTF-16 (what scripts read); cases made of code units (UTF-16LE, CRLF):
# in+U+0174 (whose low byte is t), U+00E9 t U+00E9, a+U+00E4+b, U+D800+c (first),
# a+U+DC00+U+DC00.
i=0
while [ $i -lt 256 ]; do
  if [ $i -lt 128 ]; then
    printf "\\$(printf %o $i)"
  else
    printf "\\$(printf %o $((0xC0 | i >> 6)))\\$(printf %o $((0x80 | (i & 63))))"
  fi
  i=$((i + 1))
done >entree.txt
iconv -f ISO-8859-1 -t UTF-8 "$source/samples/texte-latin1.txt" >francais.utf8
printf 'Prix : 5 \342\202\254, \360\237\230\200.\n' >>francais.utf8
cat francais.utf8 >>entree.txt
printf '\377\376' >francais.txt
iconv -f UTF-8 -t UTF-16LE francais.utf8 >>francais.txt
printf '\377\376i\0n\0\164\001\r\0\n\0\351\0t\0\351\0\r\0\n\0a\0\344\0b\0\r\0\n\0\0\330c\0\r\0\n\0a\0\0\334\0\334' >cas.txt
wine lexigarde.exe translate --utf8 -o "Z:$travail/attendu.html" "Z:$travail/entree.txt" || echec "lexigarde translate --utf8"
od -An -tu1 -v attendu.html | tr -s ' \n' '  ' >attendu.txt

if [ -n "$court" ]; then
  executer essai.vbs
  exit 0
fi
enregistrer() { wine regsvr32 /s "$@" || echec "regsvr32 $*"; }
enregistrer /u Lexigarde.dll LexigardeScript.dll # what a failed run may have left
enregistrer LexigardeScript.dll
executer essai.vbs absent
wine reg add 'HKCR\CLSID\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}\InprocServer32' /ve /d 'C:\manquant\Lexigarde.dll' /f || echec "reg add"
executer essai.vbs manquant
enregistrer Lexigarde.dll
executer essai.vbs
# The README's example, as written: each line it prints is the comment of its Echo line.
sed -n '/^```vbscript$/,/^```$/p' "$source/README.md" | sed '1d;$d' >exemple.vbs
sed -n "s/^WScript.Echo .*' //p" exemple.vbs >exemple.attendu
[ -s exemple.attendu ] || echec "no VBScript example in README.md"
wine "$cscript" //nologo "Z:$travail/exemple.vbs" || echec "the README's example"
[ "$(tr -d '\r' <sortie)" = "$(cat exemple.attendu)" ] || echec "the README's example printed other lines than its comments"
wine lexigarde.exe status
[ "$(grep -c 'registered: yes, server .*LexigardeScript.dll' sortie)" = 2 ] || echec "lexigarde status"
enregistrer /u LexigardeScript.dll Lexigarde.dll
