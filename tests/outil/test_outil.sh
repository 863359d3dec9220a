#!/bin/sh
# The client tool end to end, on Linux or under Wine: test_outil.sh SAMPLES_DIR WORK_DIR [--court] TOOL_COMMAND...
# --court (a minute per emulated process): the sample's translation only, registration-free.
set -u
echantillons=$(cd "$1" && pwd) travail=$2 court=0 registre="" echecs=0 reussites=0
shift 2
if [ "$1" = --court ]; then court=1; shift; fi
commande=$* && for outil; do :; done # the launcher, if any, then the tool; no spaces in build paths
# On Windows the first translation goes through what registration wrote, though Lexigarde.manifest lies beside the tool.
case $outil in *.exe) [ $court -eq 1 ] || registre=--registry ;; esac
rm -rf "$travail" && mkdir -p "$travail/dossier" && cd "$travail" || exit 1
cp "$echantillons/texte-latin1.txt" texte.txt && cp "$echantillons/texte-latin1.html" texte.html && cp "$echantillons/mots.txt" .
printf 'abc\303\251\377def' >invalide.txt && printf 'a\344b\377' >sanstexte.txt && : >vide.txt
printf 'caf\303\251 \342\202\254 <\360\237\230\200>' >utf8.txt && printf 'caf&eacute; &#8364; &lt;&#128512;&gt;' >utf8.html
n=0 && for mauvais in '\300\200' '\355\240\200' '\364\220\200\200' 'ab\342\202'; do printf "$mauvais" >mauvais$((n += 1)).txt; done
cp texte.txt grand.txt && cp texte.html grand.html # 64 Ki copies of the sample
for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16; do cat grand.txt grand.txt >g && mv g grand.txt && cat grand.html grand.html >g && mv g grand.html; done
absent() { [ ! -e "$1" ] && [ -z "$(ls | grep lexigarde-)" ]; } # a named output appears whole or not at all
# SHORT|STATUS|STDIN|ARGUMENTS|CHECK: the exit status, then CHECK on sortie, erreurs and the files; --court runs the * rows.
while IFS='|' read -r bref attendu entree arguments verification; do
  [ $court -eq 0 ] || [ "$bref" = '*' ] || continue
  eval "set -- $arguments"
  $commande "$@" <"$entree" >sortie 2>erreurs
  statut=$?
  if [ $statut -eq "$attendu" ] && eval "$verification"; then reussites=$((reussites + 1)); else
    echo "FAILED: $arguments: exit status $statut (expected $attendu), $verification: $(cat sortie erreurs)" >&2 && echecs=$((echecs + 1))
  fi
done <<EOF
-|0|/dev/null|register|grep -q 'DllRegisterServer in .*Lexigarde.dll: 0x00000000 (S_OK' sortie
*|0|/dev/null|$registre translate texte.txt|cmp -s sortie texte.html && [ ! -s erreurs ]
-|0|texte.txt|translate|cmp -s sortie texte.html
-|0|/dev/null|translate -o grand-sortie.html grand.txt|cmp -s grand-sortie.html grand.html && absent lexigarde-
-|0|/dev/null|translate vide.txt|[ ! -s sortie ]
-|0|/dev/null|translate --utf8 utf8.txt|cmp -s sortie utf8.html
-|2|/dev/null|translate --utf8 -o invalide.html invalide.txt|grep -q 'invalid UTF-8 at byte offset 5' erreurs && absent invalide.html
-|2|/dev/null|translate --utf8 mauvais1.txt|grep -q 'invalid UTF-8 at byte offset 0' erreurs
-|2|/dev/null|translate --utf8 mauvais2.txt|grep -q 'invalid UTF-8 at byte offset 0' erreurs
-|2|/dev/null|translate --utf8 mauvais3.txt|grep -q 'invalid UTF-8 at byte offset 0' erreurs
-|2|/dev/null|translate --utf8 mauvais4.txt|grep -q 'invalid UTF-8 at byte offset 2' erreurs
-|0|/dev/null|translate sanstexte.txt|[ "\$(cat sortie)" = ab ] && grep -q '2 of 4 characters have no HTML text' erreurs && grep -q 'U+00E4 at sanstexte.txt:1' erreurs
-|2|/dev/null|translate --strict -o strict.html sanstexte.txt|grep -q U+00E4 erreurs && absent strict.html
-|2|/dev/null|translate absent.txt|grep -q absent.txt erreurs
-|2|/dev/null|translate -o jamais.html texte.txt dossier|absent jamais.html
-|1|mots.txt|check|grep -qx 'reinterpret_cast: keyword' sortie && grep -qx 'Class: not a keyword' sortie && [ \$(wc -l <sortie) -eq \$(wc -l <mots.txt) ]
-|0|/dev/null|check asm while|[ \$(grep -c ': keyword' sortie) -eq 2 ]
-|1|/dev/null|check "" iff|[ \$(grep -c ': not a keyword' sortie) -eq 2 ]
-|0|/dev/null|--module $(dirname "$outil")/Lexigarde.dll translate texte.txt|cmp -s sortie texte.html
-|2|/dev/null|--module absent/Lexigarde.dll check if|grep -q absent erreurs
-|0|/dev/null|status|grep -q 'Composant.Interne.Trad.ASCII.HTML.1' sortie
-|2|/dev/null|translate --no-such-option|grep -q no-such-option erreurs
-|0|/dev/null|unregister|grep -q 'DllUnregisterServer in .*Lexigarde.dll: 0x00000000 (S_OK' sortie
EOF
echo "test_outil: $reussites passed, $echecs failed" && [ $echecs -eq 0 ] && [ $reussites -gt 0 ]
