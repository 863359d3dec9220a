#!/bin/sh
# Clients in other apartments through LexigardePS.dll, and Lexigarde.tlb, under Wine.
#   proxy_stub.sh [--court] WINE_LAUNCHER LOADER BIN_DIR
# --court (emulated 32-bit, minutes per process): one process reads the type library and
# registers the proxy/stub for its MTA client; its printed count is checked, not its exit
# status (32-bit Wine under qemu may die as it ends).
set -eu
court=0
if [ "$1" = --court ]; then court=1; shift; fi
lanceur=$1 chargeur=$2 travail=$(mktemp -d)
cd "$3"
trap 'rm -rf "$travail"' EXIT
wine() { "$lanceur" "$chargeur" "$@" >"$travail/sortie" 2>&1 </dev/null; }
echec() { echo "proxy_stub.sh: $*" >&2; cat "$travail/sortie" >&2; exit 1; }
compte() { grep -q '^client_apartements: [1-9][0-9]* checks, 0 failed' "$travail/sortie" || echec "$1"; }
if [ "$court" -eq 1 ]; then
  wine client_apartements.exe typelib enregistrer-proxy mta desenregistrer-proxy || true
  compte "32-bit client" && exec cat "$travail/sortie"
fi
# Lexigarde.dll registered, and not its proxy/stub (a failed run may have left it).
wine regsvr32 /u /s LexigardePS.dll || true
wine regsvr32 /s Lexigarde.dll || echec "regsvr32 Lexigarde.dll"
wine client_apartements.exe typelib sans-proxy || echec "client"; compte "type library, or MTA client without the proxy/stub"
wine reg export HKCR "Z:$travail/avant.reg" /y || echec "reg export"
wine lexigarde.exe register && grep -q 'DllRegisterServer in .*LexigardePS.dll: 0x00000000' "$travail/sortie" ||
  echec "lexigarde register: LexigardePS.dll"
wine lexigarde.exe status && [ "$(grep -c 'registered: yes, class {404DD312-.*LexigardePS.dll' "$travail/sortie")" = 2 ] ||
  echec "lexigarde status: the proxy/stub of both interfaces"
wine client_apartements.exe mta || echec "MTA client"; compte "MTA client" && cat "$travail/sortie"
wine client_apartements.exe sta || echec "STA client"; compte "STA client"
wine regsvr32 /u /s LexigardePS.dll || echec "regsvr32 /u LexigardePS.dll"
wine reg export HKCR "Z:$travail/apres.reg" /y || echec "reg export"
cmp -s "$travail/avant.reg" "$travail/apres.reg" || echec "regsvr32 /u LexigardePS.dll left HKCR changed"
