#!/bin/sh
# End to end through the built client tool, on Linux or under Wine.
#   test_outil.sh SAMPLES_DIR WORK_DIR [--court] TOOL_COMMAND...
# --court runs the few checks that matter most (for slow, emulated runs).
set -u
echantillons=$(cd "$1" && pwd)
travail=$2
shift 2
court=0
if [ "$1" = --court ]; then court=1; shift; fi
for outilChemin; do :; done # the last word: the tool itself
rm -rf "$travail" && mkdir -p "$travail" && cd "$travail" || exit 1

echecs=0 reussites=0
ok() { reussites=$((reussites + 1)); }
ko() { echo "FAILED: $*" >&2; echecs=$((echecs + 1)); }
attendre_statut() { [ "$statut" -eq "$1" ] && ok || ko "$2: exit status $statut, expected $1 ($(cat erreurs))"; }
attendre_fichier() { cmp -s "$1" "$2" && ok || ko "$3: output differs from $2"; }
attendre_erreur() { grep -q "$1" erreurs && ok || ko "$2: standard error lacks '$1': $(cat erreurs)"; }

cp "$echantillons/texte-latin1.txt" texte.txt
cp "$echantillons/mots.txt" mots.txt

# On Windows the tool reaches the components through COM by default, which
# finds them through what registration wrote: registered first (a short run
# finds them registered by Wine's regsvr32 already).
if [ "$court" -eq 0 ]; then
  "$@" register >sortie 2>erreurs; statut=$?
  attendre_statut 0 "register"
  grep -q 'DllRegisterServer in .*Lexigarde.dll: 0x00000000 (S_OK' sortie && ok || ko "register: $(cat sortie)"
fi

# The sample text gives the expected HTML exactly, from a file and from stdin.
# On Windows the first run goes through the registry, though Lexigarde.manifest
# lies beside the tool: it is what shows that registration works.
registre=""
case $outilChemin in *.exe) registre=--registry ;; esac
"$@" $registre translate texte.txt >sortie 2>erreurs; statut=$?
attendre_statut 0 "translate texte.txt"
attendre_fichier sortie "$echantillons/texte-latin1.html" "translate texte.txt"
[ ! -s erreurs ] && ok || ko "translate texte.txt wrote to stderr: $(cat erreurs)"

# Invalid UTF-8 names its byte offset, and no output file is left behind.
printf 'abc\303\251\377def' >invalide.txt
"$@" translate --utf8 -o sortie.html invalide.txt >sortie 2>erreurs; statut=$?
attendre_statut 2 "translate --utf8 invalid"
attendre_erreur 'invalid UTF-8 at byte offset 5' "translate --utf8 invalid"
[ ! -e sortie.html ] && [ -z "$(ls | grep lexigarde-)" ] && ok || ko "a partial output file was left: $(ls)"

if [ "$court" -eq 0 ]; then
  # Words: grep's exit statuses.
  "$@" check <mots.txt >sortie 2>erreurs; statut=$?
  attendre_statut 1 "check < mots.txt"
  grep -qx 'reinterpret_cast: keyword' sortie && grep -qx 'Class: not a keyword' sortie &&
    [ "$(wc -l <sortie)" -eq "$(wc -l <mots.txt)" ] && ok || ko "check < mots.txt: $(cat sortie)"

  "$@" check asm while >sortie 2>erreurs; statut=$?
  attendre_statut 0 "check asm while"

  "$@" translate <texte.txt >sortie 2>erreurs; statut=$?
  attendre_statut 0 "translate < texte.txt"
  attendre_fichier sortie "$echantillons/texte-latin1.html" "translate < texte.txt"

  "$@" check "" iff >sortie 2>erreurs; statut=$?
  attendre_statut 1 "check '' iff"

  # UTF-8 inside and outside Latin-1.
  printf 'caf\303\251 \342\202\254 <\360\237\230\200>' >utf8.txt
  "$@" translate --utf8 utf8.txt >sortie 2>erreurs; statut=$?
  attendre_statut 0 "translate --utf8"
  printf 'caf&eacute; &#8364; &lt;&#128512;&gt;' >attendu
  attendre_fichier sortie attendu "translate --utf8"
  for mauvais in '\300\200' '\355\240\200' '\364\220\200\200' 'ab\342\202'; do
    printf "$mauvais" >mauvais.txt
    "$@" translate --utf8 mauvais.txt >sortie 2>erreurs; statut=$?
    attendre_statut 2 "translate --utf8 '$mauvais'"
  done

  # Characters with no HTML text are reported, and are an error with --strict.
  printf 'a\344b\377' >sanstexte.txt
  "$@" translate sanstexte.txt >sortie 2>erreurs; statut=$?
  attendre_statut 0 "translate, characters without text"
  printf 'ab' >attendu
  attendre_fichier sortie attendu "translate, characters without text"
  attendre_erreur '2 of 4 characters have no HTML text' "translate, characters without text"
  attendre_erreur 'U+00E4 at sanstexte.txt:1' "translate, characters without text"
  "$@" translate --strict -o strict.html sanstexte.txt >sortie 2>erreurs; statut=$?
  attendre_statut 2 "translate --strict"
  [ ! -e strict.html ] && ok || ko "translate --strict left its output file"

  # A named output appears whole; missing inputs and directories are errors.
  "$@" translate -o texte.html texte.txt >sortie 2>erreurs; statut=$?
  attendre_statut 0 "translate -o"
  attendre_fichier texte.html "$echantillons/texte-latin1.html" "translate -o"
  "$@" translate absent.txt >sortie 2>erreurs; statut=$?
  attendre_statut 2 "translate absent.txt"
  attendre_erreur 'absent.txt' "translate absent.txt"
  mkdir dossier
  "$@" translate -o jamais.html texte.txt dossier >sortie 2>erreurs; statut=$?
  attendre_statut 2 "translate of a directory"
  [ ! -e jamais.html ] && ok || ko "an output file was created for a failed run"
  : >vide.txt
  "$@" translate vide.txt >sortie 2>erreurs; statut=$?
  attendre_statut 0 "translate of an empty file"
  [ ! -s sortie ] && ok || ko "an empty input gave output"

  # A large input streams through whole (its memory is the benchmarks' matter).
  cp texte.txt grand.txt
  cp "$echantillons/texte-latin1.html" grand.html
  i=0
  while [ $i -lt 16 ]; do
    cat grand.txt grand.txt >grand.tmp && mv grand.tmp grand.txt
    cat grand.html grand.html >grand.tmp && mv grand.tmp grand.html
    i=$((i + 1))
  done
  "$@" translate -o grand-sortie.html grand.txt >sortie 2>erreurs; statut=$?
  attendre_statut 0 "translate of $(wc -c <grand.txt) bytes"
  attendre_fichier grand-sortie.html grand.html "translate of a large input"

  # The module named on the command line, used directly.
  "$@" --module "$(dirname "$outilChemin")/Lexigarde.dll" translate texte.txt >sortie 2>erreurs; statut=$?
  attendre_statut 0 "--module Lexigarde.dll translate"
  attendre_fichier sortie "$echantillons/texte-latin1.html" "--module Lexigarde.dll translate"

  # Where it stands, readably; bad usage is an error.
  "$@" status >sortie 2>erreurs; statut=$?
  attendre_statut 0 "status"
  grep -q 'Composant.Interne.Trad.ASCII.HTML.1' sortie && ok || ko "status: $(cat sortie)"
  "$@" translate --no-such-option >sortie 2>erreurs; statut=$?
  attendre_statut 2 "an unknown option"
  "$@" --module absent/Lexigarde.dll check if >sortie 2>erreurs; statut=$?
  attendre_statut 2 "a module that does not exist"

  "$@" unregister >sortie 2>erreurs; statut=$?
  attendre_statut 0 "unregister"
fi

echo "test_outil: $reussites passed, $echecs failed"
[ "$echecs" -eq 0 ]
