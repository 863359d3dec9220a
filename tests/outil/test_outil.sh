#!/bin/sh
# End to end through the built client tool, on Linux or under Wine.
#   test_outil.sh SAMPLES_DIR WORK_DIR [--court] TOOL_COMMAND...
# --court runs one translation only (each emulated process start costs a minute).
set -u
echantillons=$(cd "$1" && pwd)
travail=$2
shift 2
court=0
if [ "$1" = --court ]; then court=1; shift; fi
commande=$* # the launcher, if any, then the tool; no spaces in build paths
for outil; do :; done
rm -rf "$travail" && mkdir -p "$travail" && cd "$travail" || exit 1
cp "$echantillons/texte-latin1.txt" texte.txt
html=$echantillons/texte-latin1.html

echecs=0 reussites=0
ok() { reussites=$((reussites + 1)); }
ko() { echo "FAILED: $nom: $*" >&2; echecs=$((echecs + 1)); }
# lancer STATUS NAME ARGS...: runs the tool and checks its exit status.
lancer() {
  attendu=$1 nom=$2
  shift 2
  $commande "$@" >sortie 2>erreurs
  statut=$?
  [ "$statut" -eq "$attendu" ] && ok || ko "exit status $statut, expected $attendu ($(cat erreurs))"
}
identique() { cmp -s "$1" "$2" && ok || ko "output differs from $2"; }
dit() { grep -q "$1" "${2:-erreurs}" && ok || ko "lacks '$1': $(cat "${2:-erreurs}")"; }
absent() { [ ! -e "$1" ] && [ -z "$(ls | grep lexigarde-)" ] && ok || ko "left $1 or a temporary file"; }

# On Windows the tool reaches the components through what registration
# wrote: registered first (a short run finds them registered by regsvr32).
if [ "$court" -eq 0 ]; then
  lancer 0 register register
  dit 'DllRegisterServer in .*Lexigarde.dll: 0x00000000 (S_OK' sortie
fi
# On Windows the first run goes through the registry, though Lexigarde.manifest
# lies beside the tool: it is what shows that registration works.
registre=""
case $outil in *.exe) registre=--registry ;; esac
lancer 0 "translate a file" $registre translate texte.txt
identique sortie "$html"
[ ! -s erreurs ] && ok || ko "wrote to stderr: $(cat erreurs)"

if [ "$court" -eq 0 ]; then
  printf 'abc\303\251\377def' >invalide.txt
  lancer 2 "invalid UTF-8" translate --utf8 -o sortie.html invalide.txt
  dit 'invalid UTF-8 at byte offset 5'
  absent sortie.html
  lancer 1 "check < mots.txt" check <"$echantillons/mots.txt"
  grep -qx 'reinterpret_cast: keyword' sortie && grep -qx 'Class: not a keyword' sortie &&
    [ "$(wc -l <sortie)" -eq "$(wc -l <"$echantillons/mots.txt")" ] && ok || ko "$(cat sortie)"
  lancer 0 "check asm while" check asm while
  lancer 1 "check '' iff" check "" iff
  lancer 0 "translate < texte.txt" translate <texte.txt
  identique sortie "$html"
  printf 'caf\303\251 \342\202\254 <\360\237\230\200>' >utf8.txt
  lancer 0 "translate --utf8" translate --utf8 utf8.txt
  printf 'caf&eacute; &#8364; &lt;&#128512;&gt;' >attendu
  identique sortie attendu
  for mauvais in '\300\200' '\355\240\200' '\364\220\200\200' 'ab\342\202'; do
    printf "$mauvais" >mauvais.txt
    lancer 2 "translate --utf8 '$mauvais'" translate --utf8 mauvais.txt
  done
  # Characters with no HTML text are reported, and are an error with --strict.
  printf 'a\344b\377' >sanstexte.txt
  lancer 0 "characters without text" translate sanstexte.txt
  printf 'ab' >attendu
  identique sortie attendu
  dit '2 of 4 characters have no HTML text'
  dit 'U+00E4 at sanstexte.txt:1'
  lancer 2 "translate --strict" translate --strict -o strict.html sanstexte.txt
  absent strict.html
  # A named output appears whole or not at all; an empty input gives nothing.
  lancer 0 "translate -o" translate -o texte.html texte.txt
  identique texte.html "$html"
  lancer 2 "translate absent.txt" translate absent.txt
  dit absent.txt
  mkdir dossier
  lancer 2 "translate of a directory" translate -o jamais.html texte.txt dossier
  absent jamais.html
  : >vide.txt
  lancer 0 "translate of an empty file" translate vide.txt
  [ ! -s sortie ] && ok || ko "gave output"
  # A large input streams through whole.
  cp texte.txt grand.txt
  cp "$html" grand.html
  for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16; do
    cat grand.txt grand.txt >grand.tmp && mv grand.tmp grand.txt
    cat grand.html grand.html >grand.tmp && mv grand.tmp grand.html
  done
  lancer 0 "translate of $(wc -c <grand.txt) bytes" translate -o grand-sortie.html grand.txt
  identique grand-sortie.html grand.html
  # The module named on the command line, used directly.
  lancer 0 "--module" --module "$(dirname "$outil")/Lexigarde.dll" translate texte.txt
  identique sortie "$html"
  lancer 0 status status
  dit 'Composant.Interne.Trad.ASCII.HTML.1' sortie
  lancer 2 "an unknown option" translate --no-such-option
  lancer 2 "a module that does not exist" --module absent/Lexigarde.dll check if
  lancer 0 unregister unregister
fi

echo "test_outil: $reussites passed, $echecs failed"
[ "$echecs" -eq 0 ]
