#!/bin/sh
# Clients in other apartments, under Wine, through LexigardePS.dll and Lexigarde.tlb.
#   proxy_stub.sh [--court] WINE_LAUNCHER LOADER BIN_DIR
# --court (emulated 32-bit, where each process costs minutes): one process reads
# the type library, registers the proxy/stub and runs the MTA client; its printed
# count is checked, not its exit status (32-bit Wine under qemu may die as it ends).
set -eu
court=0
if [ "$1" = --court ]; then court=1; shift; fi
lanceur=$1 chargeur=$2
cd "$3"
travail=$(mktemp -d)
trap 'rm -rf "$travail"' EXIT
wine() { "$lanceur" "$chargeur" "$@" >"$travail/sortie" 2>&1 </dev/null; }
echec() { echo "proxy_stub.sh: $*" >&2; cat "$travail/sortie" >&2; exit 1; }
reussi() { grep -q '^client_apartements: [1-9][0-9]* checks, 0 failed' "$travail/sortie"; }
if [ "$court" -eq 1 ]; then
  wine client_apartements.exe typelib enregistrer-proxy mta desenregistrer-proxy || true
  reussi || echec "the 32-bit client"
  exec cat "$travail/sortie"
fi
# Lexigarde.dll registered, and not its proxy/stub (which a failed run may have left).
wine regsvr32 /u /s LexigardePS.dll || true
wine regsvr32 /s Lexigarde.dll || echec "regsvr32 Lexigarde.dll failed"
wine client_apartements.exe typelib sans-proxy && reussi || echec "type library, or MTA client without the proxy/stub"
wine reg export HKCR "Z:$travail/avant.reg" /y || echec "reg export failed"
wine lexigarde.exe register && grep -q 'DllRegisterServer in .*LexigardePS.dll: 0x00000000' "$travail/sortie" ||
  echec "lexigarde register did not register LexigardePS.dll"
wine lexigarde.exe status && [ "$(grep -c 'registered: yes, class {404DD312-1606-450A-98E7-3DFDA7516400}, server .*LexigardePS.dll' "$travail/sortie")" -eq 2 ] ||
  echec "lexigarde status does not show the proxy/stub for both interfaces"
wine client_apartements.exe mta && reussi || echec "MTA client"
cat "$travail/sortie"
wine client_apartements.exe sta && reussi || echec "STA client"
wine regsvr32 /u /s LexigardePS.dll || echec "regsvr32 /u LexigardePS.dll failed"
wine reg export HKCR "Z:$travail/apres.reg" /y || echec "reg export failed"
cmp -s "$travail/avant.reg" "$travail/apres.reg" || echec "regsvr32 /u LexigardePS.dll did not leave HKCR as it was"
echo "proxy_stub.sh: type library, MTA and STA clients, registration and unregistration checked"
