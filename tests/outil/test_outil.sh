#!/bin/sh
# The client tool end to end, on Linux or under Wine:
#   test_outil.sh SAMPLES_DIR WORK_DIR [--court] [LAUNCHER...] TOOL
# --court (a minute per emulated process): the sample's translation only,
# registration-free. No spaces in build paths.
set -u
echantillons=$(cd "$1" && pwd)
travail=$2
shift 2
court=0
if [ "$1" = --court ]; then
  court=1
  shift
fi
lanceur=
while [ $# -gt 1 ]; do
  lanceur="$lanceur $1"
  shift
done
outil=$1
bin=$(dirname "$outil")
windows=0
separateur=/
case $outil in *.exe)
  windows=1
  separateur=\\
  ;;
esac
reussites=0
echecs=0
cas=
statut=

# lancer_outil TOOL STDIN ARGUMENTS...: one run, its output in sortie and erreurs.
lancer_outil() {
  copie=$1
  entree=$2
  shift 2
  cas="$copie $*"
  $lanceur "$copie" "$@" <"$entree" >sortie 2>erreurs
  statut=$?
}
lancer() {
  lancer_outil "$outil" "$@"
}
# sur_terminal COMMAND: COMMAND (standard output to nowhere) on the terminal
# that script makes, what it shows there in erreurs.
sur_terminal() {
  cas=$1
  : >sortie
  script -qec "$1 >/dev/null" erreurs </dev/null >/dev/null
}
# verifier WHAT COMMAND...: one check of the last run, which says what failed.
verifier() {
  quoi=$1
  shift
  if "$@"; then
    reussites=$((reussites + 1))
    return
  fi
  echecs=$((echecs + 1))
  echo "FAILED: $cas: $quoi" >&2
  echo "  standard output: $(head -c 2000 sortie)" >&2
  echo "  standard error: $(head -c 2000 erreurs)" >&2
}
statut_est() {
  verifier "exit status $statut, not $1" [ "$statut" -eq "$1" ]
}
contient() {
  grep -qF -- "$2" "$1"
}
ne_contient_pas() {
  ! grep -qF -- "$2" "$1"
}
# A named output appears whole or not at all.
sans_temporaire() {
  ! ls | grep -q lexigarde-
}
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
  lancer /dev/null translate texte.txt
  statut_est 0
  verifier "the sample is not translated to its HTML" cmp -s sortie texte.html
  finir
fi

printf 'abc\303\251\377def' >invalide.txt
printf 'ab\340\200\200' >surlong.txt
printf 'ab\342\202' >inacheve.txt
printf 'a\344b\377' >sanstexte.txt
long=un-nom-de-fichier-assez-long-pour-depasser-soixante-quatre-octets-dans-le-resume.txt
cp sanstexte.txt $long
: >vide.txt
printf 'caf\303\251 \342\202\254 <\360\237\230\200>' >utf8.txt
printf 'caf&eacute; &#8364; &lt;&#128512;&gt;' >utf8.html
cp texte.txt meme.txt
# 64 Ki copies of the sample: more than the output's buffer, and than the
# 16 MiB from which progress shows.
cp texte.txt grand.txt
cp texte.html grand.html
for doublement in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16; do
  cat grand.txt grand.txt >double.txt
  mv double.txt grand.txt
  cat grand.html grand.html >double.txt
  mv double.txt grand.html
done

# Copies of the tool and its DLLs in folders named outside Latin-1, one with
# a proxy/stub that is no DLL.
cjk=漢字
mkdir $cjk 壊れた
cp "$bin"/lexigarde* "$bin"/*.dll "$bin"/*.so $cjk/ 2>/dev/null
cp $cjk/* 壊れた/
echo 'not a DLL' >壊れた/LexigardePS.dll
cp texte.txt $cjk/文.txt
outilCjk=$cjk/$(basename "$outil")

if [ $windows -eq 1 ]; then
  lancer_outil 壊れた/lexigarde.exe /dev/null register
  statut_est 2
  verifier "the proxy/stub's failure is not named" contient erreurs 'LexigardePS.dll'
fi

lancer_outil "$outilCjk" /dev/null register
statut_est 0
verifier "the module beside the tool is not registered" contient sortie "$cjk${separateur}Lexigarde.dll: 0x00000000 (S_OK"
if [ $windows -eq 1 ]; then
  verifier "the proxy/stub beside the tool is not registered" contient sortie "$cjk${separateur}LexigardePS.dll: 0x00000000 (S_OK"
fi

# On Windows, through what registration wrote, though Lexigarde.manifest lies beside the tool.
registre=
if [ $windows -eq 1 ]; then
  registre=--registry
fi
lancer /dev/null $registre translate texte.txt
statut_est 0
verifier "the sample is not translated to its HTML" cmp -s sortie texte.html
verifier "standard error is not empty" [ ! -s erreurs ]

lancer /dev/null $registre status
statut_est 0
verifier "the translator's ProgID is not shown" contient sortie Composant.Interne.Trad.ASCII.HTML.1
if [ $windows -eq 1 ]; then
  verifier "the registered server's path is not shown whole" contient sortie "$cjk${separateur}Lexigarde.dll"
fi

lancer texte.txt translate
statut_est 0
verifier "standard input is not translated" cmp -s sortie texte.html

lancer /dev/null translate -o grand-sortie.html grand.txt
statut_est 0
verifier "a long input is not translated whole" cmp -s grand-sortie.html grand.html
verifier "a temporary file is left" sans_temporaire

lancer /dev/null translate -o meme.txt meme.txt
statut_est 0
verifier "the input is not replaced by its translation" cmp -s meme.txt texte.html

lancer /dev/null translate -o $cjk/頁.html $cjk/文.txt
statut_est 0
verifier "files named outside Latin-1 are not translated" cmp -s $cjk/頁.html texte.html

lancer /dev/null translate vide.txt
statut_est 0
verifier "an empty input does not give an empty output" [ ! -s sortie ]

lancer /dev/null translate --utf8 utf8.txt
statut_est 0
verifier "UTF-8 is not translated" cmp -s sortie utf8.html

lancer /dev/null translate --utf8 -o invalide.html invalide.txt
statut_est 2
verifier "the invalid byte's offset is not named" contient erreurs 'invalid UTF-8 at byte offset 5'
verifier "an output is written" [ ! -e invalide.html ]
verifier "a temporary file is left" sans_temporaire

lancer /dev/null translate --utf8 surlong.txt
statut_est 2
verifier "an overlong form is not refused at its offset" contient erreurs 'invalid UTF-8 at byte offset 2'

lancer /dev/null translate --utf8 inacheve.txt
statut_est 2
verifier "an unfinished character is not refused at its offset" contient erreurs 'invalid UTF-8 at byte offset 2'

lancer /dev/null translate sanstexte.txt
statut_est 0
verifier "the characters with text are not all written" [ "$(cat sortie)" = ab ]
verifier "the count of characters left out is wrong" contient erreurs '2 of 4 characters have no HTML text'
verifier "the first character left out is not named" contient erreurs 'U+00E4 at sanstexte.txt:1'

lancer /dev/null translate $long
statut_est 0
verifier "the position after a long file name is cut" contient erreurs "U+00FF at $long:3)"

lancer /dev/null translate --strict -o strict.html sanstexte.txt
statut_est 2
verifier "the character without text is not named" contient erreurs 'U+00E4 at sanstexte.txt:1'
verifier "an output is written" [ ! -e strict.html ]

lancer /dev/null translate absent.txt
statut_est 2
verifier "the missing input is not named" contient erreurs absent.txt

lancer /dev/null translate -o jamais.html texte.txt dossier
statut_est 2
verifier "an output is written" [ ! -e jamais.html ]

lancer mots.txt check
statut_est 1
verifier "a keyword is not found" grep -qx 'reinterpret_cast: keyword' sortie
verifier "a word is taken for a keyword" grep -qx 'Class: not a keyword' sortie
verifier "not one line per word" [ "$(wc -l <sortie)" -eq "$(wc -l <mots.txt)" ]

lancer /dev/null check asm while
statut_est 0
verifier "not two keywords" [ "$(grep -c ': keyword' sortie)" -eq 2 ]

lancer /dev/null check "" iff
statut_est 1
verifier "not two words that are not keywords" [ "$(grep -c ': not a keyword' sortie)" -eq 2 ]

lancer /dev/null --module "$bin/Lexigarde.dll" translate texte.txt
statut_est 0
verifier "the module named does not translate the sample" cmp -s sortie texte.html

lancer /dev/null --module absent/Lexigarde.dll check if
statut_est 2
verifier "the missing module is not named" contient erreurs absent

lancer /dev/null translate --no-such-option
statut_est 2
verifier "the unknown option is not named" contient erreurs no-such-option

# Progress as a terminal shows it (script's): each byte counted once,
# standard input in the total when it is a file, no total for a pipe.
if [ $windows -eq 0 ]; then
  octets=$(wc -c <grand.txt)
  trois=$((octets * 3 >> 20))
  deux=$((octets * 2 >> 20))
  un=$((octets >> 20))
  sur_terminal "$outil translate grand.txt grand.txt grand.txt"
  verifier "progress does not end at the total" contient erreurs "translating 100% ($trois of $trois MiB)"
  sur_terminal "$outil translate - grand.txt <grand.txt"
  verifier "progress does not end at the total" contient erreurs "translating 100% ($deux of $deux MiB)"
  sur_terminal "cat grand.txt | $outil translate"
  verifier "progress does not show the bytes done alone" contient erreurs "translating ($un MiB)"
  verifier "progress shows a total it cannot know" ne_contient_pas erreurs %
fi

lancer_outil "$outilCjk" /dev/null unregister
statut_est 0
verifier "the module beside the tool is not unregistered" contient sortie "$cjk${separateur}Lexigarde.dll: 0x00000000 (S_OK"
finir
