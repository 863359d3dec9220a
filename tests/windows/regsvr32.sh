#!/bin/sh
# Wine's own regsvr32 and reg as the peers of registration.
#   regsvr32.sh enregistrer|desenregistrer [--court] WINE_LAUNCHER LOADER BIN_DIR
# --court reads nothing back with reg (each 32-bit process start is emulated
# and costs a minute or two): the tool's run through COM between the two
# shows that registration works, and the test program that nothing is left.
set -eu
mode=$1
shift
court=0
if [ "$1" = --court ]; then court=1; shift; fi
lanceur=$1 chargeur=$2
cd "$3"
sortie=$(mktemp)
trap 'rm -f "$sortie"' EXIT
# Wine's services would hold a pipe open: output goes through a file.
wine() { "$lanceur" "$chargeur" "$@" >"$sortie" 2>&1 </dev/null; }
echec() { echo "regsvr32.sh: $*" >&2; cat "$sortie" >&2; exit 1; }
lu() { tr -d '\r' <"$sortie" | grep -q "$1" || echec "reg does not show $1"; }
cles='CLSID\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449} CLSID\{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}
  Composant.Interne.ValidationMotsCles Composant.Interne.ValidationMotsCles.1
  Composant.Interne.Trad.ASCII.HTML Composant.Interne.Trad.ASCII.HTML.1'
[ "$court" -eq 0 ] || cles=""

if [ "$mode" = enregistrer ]; then
  wine regsvr32 /s Lexigarde.dll || echec "regsvr32 Lexigarde.dll failed"
  for cle in $cles; do
    wine reg query "HKCR\\$cle" /s || echec "no key HKCR\\$cle"
    case $cle in CLSID*) lu 'REG_SZ *Z:.*\\bin\\Lexigarde\.dll$' ;; *.1) lu 'REG_SZ *{' ;; *) lu 'REG_SZ *Composant\.Interne\..*\.1$' ;; esac
  done
else
  wine regsvr32 /u /s Lexigarde.dll || echec "regsvr32 /u Lexigarde.dll failed"
  for cle in $cles; do
    if wine reg query "HKCR\\$cle"; then echec "HKCR\\$cle is still there after regsvr32 /u"; fi
  done
fi
echo "regsvr32.sh: $mode through Wine's regsvr32${cles:+, read back with reg}"
