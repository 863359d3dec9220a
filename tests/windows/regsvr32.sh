#!/bin/sh
# Wine's own regsvr32 and reg as the peers of registration.
#   regsvr32.sh enregistrer|desenregistrer [--court] WINE_LAUNCHER LOADER BIN_DIR
# enregistrer: regsvr32 writes the server path COM will load, read back with reg.
# desenregistrer: regsvr32 /u removes the keys of both classes.
# --court reads nothing back with reg (each 32-bit process start is emulated
# and costs a minute or two): the tool's run through COM between the two
# shows that registration works.
set -eu
mode=$1
shift
court=0
if [ "$1" = --court ]; then court=1; shift; fi
lanceur=$1 chargeur=$2 dossier=$3
cd "$dossier"
sortie=$(mktemp)
trap 'rm -f "$sortie"' EXIT
# Wine's services would hold a pipe open: output goes through a file.
wine() { "$lanceur" "$chargeur" "$@" >"$sortie" 2>&1 </dev/null; }
echec() { echo "regsvr32.sh: $*" >&2; cat "$sortie" >&2; exit 1; }
lexigarde='CLSID\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}'
traducteur='CLSID\{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}'

case $mode in
enregistrer)
  wine regsvr32 /s Lexigarde.dll || echec "regsvr32 Lexigarde.dll failed"
  if [ "$court" -eq 1 ]; then
    # The tool's run through COM, next, is the read-back: it can only
    # create the components if what regsvr32 wrote leads to this DLL.
    echo "regsvr32.sh: registered through Wine's regsvr32"
    exit 0
  fi
  wine reg query "HKCR\\$lexigarde" /s || echec "no class key for Lexigarde"
  tr -d '\r' <"$sortie" | grep -q 'InprocServer32$' || echec "no InprocServer32 key"
  tr -d '\r' <"$sortie" | grep -q 'REG_SZ *Z:.*\\bin\\Lexigarde\.dll$' || echec "the server key does not name this Lexigarde.dll"
  tr -d '\r' <"$sortie" | grep -q 'REG_SZ *Composant\.Interne\.ValidationMotsCles\.1$' || echec "no ProgID"
  wine reg query "HKCR\\$traducteur\\InprocServer32" || echec "no server key for TraducteurASCIIMeta"
    tr -d '\r' <"$sortie" | grep -q 'REG_SZ *Z:.*\\bin\\Lexigarde\.dll$' || echec "the server key does not name this Lexigarde.dll"
    wine reg query 'HKCR\Composant.Interne.Trad.ASCII.HTML\CurVer' || echec "no CurVer key"
    tr -d '\r' <"$sortie" | grep -q 'REG_SZ *Composant\.Interne\.Trad\.ASCII\.HTML\.1$' || echec "wrong CurVer"
  echo "regsvr32.sh: registered through Wine's regsvr32 and read back with reg"
  ;;
desenregistrer)
  wine regsvr32 /u /s Lexigarde.dll || echec "regsvr32 /u Lexigarde.dll failed"
  # Short run: regsvr32's own status only; the test program has checked,
  # in this same prefix, that unregistering leaves nothing behind.
  cles=""
  [ "$court" -eq 1 ] || cles="$lexigarde $traducteur Composant.Interne.ValidationMotsCles
    Composant.Interne.ValidationMotsCles.1 Composant.Interne.Trad.ASCII.HTML Composant.Interne.Trad.ASCII.HTML.1"
  for cle in $cles; do
    if wine reg query "HKCR\\$cle"; then echec "HKCR\\$cle is still there after regsvr32 /u"; fi
  done
  echo "regsvr32.sh: unregistered through Wine's regsvr32${cles:+; reg finds nothing left}"
  ;;
*) echo "regsvr32.sh: unknown mode $mode" >&2; exit 2 ;;
esac
