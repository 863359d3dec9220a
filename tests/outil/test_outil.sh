#!/bin/sh
# The client tool end to end, on Linux or under Wine:
#   test_outil.sh SAMPLES_DIR WORK_DIR [--court] [LAUNCHER...] TOOL
# --court (a minute per emulated process): the sample's translation only,
# registration-free. No spaces in build paths.
set -u
# Wine maps file names and arguments through the locale's encoding: names
# outside ASCII need a UTF-8 one.
export LC_ALL=C.UTF-8
echantillons=$(cd "$1" && pwd)
travail=$2
shift 2
court=0
[ "$1" != --court ] || court=1
[ $court -eq 0 ] || shift
lanceur=
while [ $# -gt 1 ]; do
  lanceur="$lanceur $1"
  shift
done
outil=$1
bin=$(dirname "$outil")
echecs=0
reussites=0

# verifier WHAT COMMAND...: one check of the last run, WHAT saying what failed.
verifier() {
  quoi=$1
  shift
  if "$@"; then
    reussites=$((reussites + 1))
    return
  fi
  echecs=$((echecs + 1))
  echo "FAILED: lexigarde $cas: $quoi; standard output and error:" >&2
  head -c 2000 sortie erreurs >&2
}
# lancer_outil TOOL STATUS STDIN ARGUMENTS...: one run, its output in sortie and erreurs.
lancer_outil() {
  copie=$1
  attendu=$2
  entree=$3
  shift 3
  cas="($copie) $*"
  $lanceur "$copie" "$@" <"$entree" >sortie 2>erreurs
  statut=$?
  verifier "exit status $statut, not $attendu" [ "$statut" -eq "$attendu" ]
}
lancer() { lancer_outil "$outil" "$@"; }
# sur_terminal COMMAND: on the terminal script makes, what it shows in erreurs.
sur_terminal() {
  cas=$1
  script -qec "$1 >/dev/null" erreurs </dev/null >sortie
}
egal() { verifier "$1 is not $2" cmp -s "$1" "$2"; }
contient() { verifier "$1 lacks '$2'" grep -qF -- "$2" "$1"; }
ligne() { verifier "$1 lacks the line '$2'" grep -qxF -- "$2" "$1"; }
absent() { verifier "$1 is there" [ ! -e "$1" ]; }
sans_temporaire() { verifier "a temporary file is left" [ -z "$(ls | grep lexigarde-)" ]; }
finir() {
  echo "test_outil: $reussites passed, $echecs failed"
  [ $echecs -eq 0 ] && [ $reussites -gt 0 ]
  exit
}

rm -rf "$travail"
mkdir -p "$travail/dossier" || exit 1
cd "$travail" || exit 1
cp "$echantillons/texte-latin1.txt" texte.txt
cp "$echantillons/texte-latin1.html" texte.html
cp "$echantillons/mots.txt" mots.txt
if [ $court -eq 1 ]; then
  lancer 0 /dev/null translate texte.txt
  egal sortie texte.html
  finir
fi
printf 'abc\303\251\377def' >invalide.txt
# A name long enough that the summary of characters left out once cut it.
sanstexte=un-nom-de-fichier-assez-long-pour-depasser-soixante-quatre-octets-dans-le-resume.txt
printf 'a\344b\377\344\344\344\344\344\344\344\344\344' >$sanstexte
printf 'caf\303\251 \342\202\254 <\360\237\230\200>' >utf8.txt
printf 'caf&eacute; &#8364; &lt;&#128512;&gt;' >utf8.html
printf ab >ab.html
printf 'int\0junk\rclass\n' >nul.txt
# Bytes Windows reads as text (CR LF, ^Z): standard input passes them through as any other.
printf 'a\r\n\032b' >crlf.txt
cp texte.txt meme.txt
# 64 Ki copies: more than the output's buffer in either encoding, and than
# the 16 MiB from which progress shows.
cp texte.txt grand.txt
cp texte.html grand.html
for fichier in grand.txt grand.html utf8.txt utf8.html; do
  for doublement in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16; do
    cat $fichier $fichier >double.txt
    mv double.txt $fichier
  done
done
# The tool and its DLLs in folders named outside Latin-1; in one, a
# proxy/stub that is no DLL and a manifest that is none, which a named
# module does without.
mkdir 漢字 壊れた
cp "$bin"/lexigarde* "$bin"/*.dll "$bin"/*.so "$bin"/*.manifest 漢字/ 2>/dev/null
cp 漢字/* 壊れた/
echo 'not a DLL' >壊れた/LexigardePS.dll
echo 'not a manifest' >壊れた/Lexigarde.manifest
cp texte.txt 漢字/文.txt
cjk=漢字/$(basename "$outil")
octets=$(wc -c <grand.txt)

case $outil in *.exe)
  # The proxy/stub fails, and the companion is still handled: registering,
  # then unregistering without the module.
  lancer_outil 壊れた/lexigarde.exe 2 /dev/null register
  contient erreurs 壊れた\\LexigardePS.dll
  contient sortie '壊れた\LexigardeScript.dll: 0x00000000 (S_OK'
  rm 壊れた/Lexigarde.dll
  lancer_outil 壊れた/lexigarde.exe 2 /dev/null unregister
  contient sortie '壊れた\LexigardeScript.dll: 0x00000000 (S_OK'
  # A folder of a neighbour's name is no neighbour.
  mkdir 空 空/LexigardePS.dll
  cp 漢字/lexigarde.exe 漢字/Lexigarde.dll 空/
  lancer_outil 空/lexigarde.exe 0 /dev/null unregister
  contient sortie 'no LexigardePS.dll beside it'
  lancer_outil "$cjk" 0 /dev/null register
  contient sortie '漢字\LexigardePS.dll: 0x00000000 (S_OK'
  # What registration wrote, though Lexigarde.manifest lies beside the tool.
  lancer 0 /dev/null --registry status
  contient sortie '漢字\Lexigarde.dll'
  contient sortie 'Proxy/stub (for clients in other apartments'
  # A class whose ProgID alone is gone is still reached by its identifier.
  $lanceur reg delete 'HKCR\Composant.Interne.ValidationMotsCles.1' /f >/dev/null 2>&1
  lancer 0 /dev/null --registry check int
  # A module moved away: the error names the file the registry, or the
  # manifest, gives (COM itself says E_ACCESSDENIED under Wine).
  mv 漢字/Lexigarde.dll 漢字/ailleurs.dll
  lancer 2 /dev/null --registry check int
  contient erreurs '漢字\Lexigarde.dll, which is not there'
  lancer_outil "$cjk" 2 /dev/null check int
  contient erreurs "漢字\\Lexigarde.manifest names Z:$(pwd | tr / '\\')\\漢字\\Lexigarde.dll, which is not there"
  mv 漢字/ailleurs.dll 漢字/Lexigarde.dll
  # Progress on Wine's console, which draws it with escapes of its own: a
  # file's total.
  sur_terminal "$lanceur $outil translate grand.txt"
  sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' erreurs | tr -d ' \r' >rendu
  contient rendu "($((octets >> 20))of$((octets >> 20))MiB)"
  # A file that cannot be replaced: an error naming it as Windows does.
  cp texte.txt lecture.html
  chmod 444 lecture.html
  lancer 2 /dev/null translate -o lecture.html texte.txt
  contient erreurs "cannot write Z:$(pwd | tr / '\\')\\lecture.html: Access denied"
  ;;
*)
  lancer_outil "$cjk" 0 /dev/null register
  contient sortie '漢字/Lexigarde.dll: 0x00000000 (S_OK'
  # Progress as a terminal shows it: each byte counted once, standard input
  # in the total when it is a file, no total for a pipe.
  sur_terminal "$outil translate - grand.txt <grand.txt"
  contient erreurs "translating 100% ($((octets * 2 >> 20)) of $((octets * 2 >> 20)) MiB)"
  mkfifo fifo
  sur_terminal "cat grand.txt >fifo & $outil translate grand.txt fifo"
  contient erreurs "translating ($((octets * 2 >> 20)) MiB)"
  # A FIFO that -o names is written to, not replaced by a file.
  mkfifo tuyau
  timeout 5 cat tuyau >recu &
  lancer 0 /dev/null translate -o tuyau texte.txt
  wait $!
  egal recu texte.html
  # Read and write errors, where Linux can make them.
  lancer 2 dossier translate
  contient erreurs '<stdin>: read error: Is a directory'
  lancer 2 dossier check
  cas="translate texte.txt >/dev/full"
  "$outil" translate texte.txt >/dev/full 2>erreurs
  contient erreurs 'cannot write the output: No space left on device'
  for sous in status register unregister --version; do
    cas="$sous >/dev/full"
    "$outil" $sous >/dev/full 2>erreurs
    verifier "exit status $?, not 2" [ $? -eq 2 ]
  done
  # Standard error closed: what is said there never lands in the output file.
  cas="translate -o ferme.html 2>&-"
  "$outil" translate -o ferme.html <$sanstexte 2>&-
  egal ferme.html ab.html
  # Links planted at every name the temporary file may take (known from the
  # pid) are never written through: it gives up after the last.
  echo garde >garde.txt
  cas="translate -o piege.html, links at its temporary names"
  sh -c 'for s in "" $(seq -f -%g 99); do ln -s garde.txt piege.html.lexigarde-$$$s; done; exec "$0" translate -o piege.html texte.txt 2>erreurs' "$outil"
  verifier "a file a link names was written" [ "$(cat garde.txt)" = garde ]
  contient erreurs '-99: File exists'
  rm -f piege.html.lexigarde-*
  # Stopped by a signal, a translation leaves no temporary file behind.
  mkfifo fifo2
  cas="translate -o stoppe.html fifo2, then SIGTERM"
  "$outil" translate -o stoppe.html fifo2 2>/dev/null &
  exec 3>fifo2
  until ls | grep -q lexigarde- || ! kill -0 $! 2>/dev/null; do sleep 0.1; done
  kill -TERM $!
  wait $!
  exec 3>&-
  sans_temporaire
  # The MSI's rows: none from a file that is no module; from a module in a
  # folder named outside ASCII, its path longer than the first buffer for it.
  lancer_outil "$bin/lignes_registre" 1 /dev/null texte.txt Lexigarde.dll lignes.wxi partagees.wxi
  contient erreurs 'cannot load texte.txt'
  lancer_outil "$bin/lignes_registre" 1 /dev/null "$bin/libplateforme_linux.so" Lexigarde.dll lignes.wxi partagees.wxi
  contient erreurs "no DllRegisterServer in $bin/libplateforme_linux.so"
  # Rows that cannot be written leave no file (the link goes, not /dev/full).
  ln -s /dev/full plein.wxi
  lancer_outil "$bin/lignes_registre" 1 /dev/null 漢字/Lexigarde.dll Lexigarde.dll plein.wxi partagees.wxi
  contient erreurs 'cannot write plein.wxi'
  absent plein.wxi
  absent partagees.wxi
  profond=漢字/$(printf %0200d 0)/$(printf %0200d 0)
  mkdir -p "$profond"
  cp 漢字/Lexigarde.dll "$profond"/
  lancer_outil "$bin/lignes_registre" 0 /dev/null "$profond"/Lexigarde.dll Lexigarde.dll lignes.wxi partagees.wxi
  contient lignes.wxi 'Value="[#Lexigarde.dll]"'
  ;;
esac

lancer 0 crlf.txt translate
egal sortie crlf.txt
lancer 0 /dev/null status
contient sortie Composant.Interne.Trad.ASCII.HTML.1
lancer 0 /dev/null translate -o grand-sortie.html grand.txt
egal erreurs /dev/null
egal grand-sortie.html grand.html
sans_temporaire
chmod 600 meme.txt
chown 65534:65534 meme.txt 2>/dev/null
avant=$(stat -c %a:%u:%g meme.txt)
ln -s meme.txt lien.txt
lancer 0 /dev/null translate -o lien.txt meme.txt
egal meme.txt texte.html
verifier "-o replaced the link it names" [ -L lien.txt ]
case $outil in *.exe) ;; *) verifier "-o changed the mode or owner of the file it replaces" [ "$(stat -L -c %a:%u:%g lien.txt)" = "$avant" ] ;; esac
lancer 0 /dev/null translate -o 漢字/頁.html 漢字/文.txt
egal 漢字/頁.html texte.html
lancer 0 /dev/null translate --utf8 utf8.txt
egal sortie utf8.html
lancer 2 /dev/null translate --utf8 -o invalide.html invalide.txt
absent invalide.html
sans_temporaire
lancer 0 /dev/null translate $sanstexte
egal sortie ab.html
contient erreurs '11 of 13 characters have no HTML text'
contient erreurs "(U+00E4 at $sanstexte:1, U+00FF at $sanstexte:3, "
contient erreurs "U+00E4 at $sanstexte:11, ...)"
lancer 2 /dev/null translate --strict -o strict.html texte.txt $sanstexte
lancer 2 /dev/null translate absent.txt
contient erreurs absent.txt
lancer 2 /dev/null translate ''
contient erreurs 'cannot open : '
lancer 2 /dev/null translate -o jamais.html texte.txt dossier
absent jamais.html
lancer 2 /dev/null translate -o dossier/ texte.txt
contient erreurs 'dossier/: is a directory'
lancer 1 mots.txt check
ligne sortie 'reinterpret_cast: keyword'
ligne sortie 'Class: not a keyword'
verifier "not one line per word" [ "$(wc -l <sortie)" -eq "$(wc -l <mots.txt)" ]
lancer 0 /dev/null check asm while
lancer 1 nul.txt check
ligne sortie 'int\0junk\rclass: not a keyword (a NUL byte at offset 3)'
lancer 1 /dev/null check "" iff
ligne sortie ': not a keyword'
lancer 0 /dev/null --module "$bin/Lexigarde.dll" translate texte.txt
egal sortie texte.html
lancer 2 /dev/null --module absent/Lexigarde.dll check if
contient erreurs absent/Lexigarde.dll
lancer 2 /dev/null translate --no-such-option
contient erreurs no-such-option
# --module with a name alone names the current folder's file, as any file
# given to the tool, not one the system's library search finds.
cd 漢字
lancer 0 /dev/null --module Lexigarde.dll unregister
cd ..
verifier "not 漢字's module" grep -q '漢字.Lexigarde.dll: 0x00000000 (S_OK' 漢字/sortie
finir
