#!/bin/sh
# Wine's own regsvr32 and reg as the peers: registering writes the server
# path COM will load, unregistering removes every key of both classes.
#   regsvr32.sh WINE_LAUNCHER LOADER BIN_DIR
set -eu
lanceur=$1 chargeur=$2 dossier=$3
cd "$dossier"
sortie=$(mktemp)
trap 'rm -f "$sortie"' EXIT
wine() { "$lanceur" "$chargeur" "$@" >"$sortie" 2>&1 </dev/null; }
echec() { echo "regsvr32.sh: $*" >&2; cat "$sortie" >&2; exit 1; }

wine regsvr32 /s Lexigarde.dll || echec "regsvr32 Lexigarde.dll failed"
for clsid in '{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}' '{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}'; do
  wine reg query "HKCR\\CLSID\\$clsid\\InprocServer32" || echec "no server key for $clsid"
  tr -d '\r' <"$sortie" | grep -q 'REG_SZ *Z:.*\\bin\\Lexigarde\.dll$' ||
    echec "the server key of $clsid does not name this Lexigarde.dll"
done
wine reg query 'HKCR\Composant.Interne.Trad.ASCII.HTML\CurVer' || echec "no CurVer key"
tr -d '\r' <"$sortie" | grep -q 'REG_SZ *Composant\.Interne\.Trad\.ASCII\.HTML\.1$' || echec "wrong CurVer"

wine regsvr32 /u /s Lexigarde.dll || echec "regsvr32 /u Lexigarde.dll failed"
for cle in 'CLSID\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}' 'CLSID\{2780ACD9-1CC9-4691-A8E7-191B2DA7DB41}' \
  Composant.Interne.ValidationMotsCles Composant.Interne.ValidationMotsCles.1 \
  Composant.Interne.Trad.ASCII.HTML Composant.Interne.Trad.ASCII.HTML.1; do
  if wine reg query "HKCR\\$cle"; then echec "HKCR\\$cle is still there after regsvr32 /u"; fi
done
echo "regsvr32.sh: registered, read back and unregistered through Wine's regsvr32 and reg"
