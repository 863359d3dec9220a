#!/bin/sh
# Wine's own COM peers: com.sh enregistrer|desenregistrer|apartements WINE_LAUNCHER LOADER BIN_DIR [DLL...]
# regsvr32 by the 64-bit loader (it starts its 32-bit self for a 32-bit DLL: one emulated process, not two
# as through start.exe), then reg in the DLL's view; clients in each apartment (emulated, a minute a process:
# one client, its printed count checked, not its exit status, as 32-bit Wine under qemu may die as it ends).
set -eu
mode=$1 lanceur=$2 chargeur=$3 travail=$(mktemp -d)
cd "$4"
shift 4
trap 'rm -rf "$travail"' EXIT
emule=1 vue=/reg:32 cle='HKCR\CLSID\{6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}'
[ "$(basename "$chargeur")" != wine64 ] || emule=0 vue=/reg:64
# OLE's cache of BSTRs off: the client counts the blocks of COM's allocator.
export OANOCACHE=1
# Wine's services would hold a pipe open: output goes through a file.
wine() { "$lanceur" "$chargeur" "$@" >"$travail/sortie" 2>&1 </dev/null; }
echec() {
  echo "com.sh $mode: $*" >&2
  cat "$travail/sortie" >&2
  exit 1
}
client() {
  wine client_apartements.exe "$@" || [ $emule -eq 1 ] || echec "client $*: exit status"
  grep -q '^client: [1-9][0-9]* checks, 0 failed' "$travail/sortie" || echec "client $*"
}
case $mode in
enregistrer)
  chargeur=/usr/lib/wine/wine64
  wine regsvr32 /s "$@" || echec "regsvr32 /s $*"
  ;;
desenregistrer)
  chargeur=/usr/lib/wine/wine64
  wine regsvr32 /u /s "$@" || echec "regsvr32 /u /s $*"
  ! wine reg query "$cle" $vue || echec "reg query after regsvr32 /u /s $*"
  ;;
*)
  if [ $emule -eq 1 ]; then
    client sta fichiers automation mta
    exit
  fi
  wine regsvr32 /u /s LexigardePS.dll || true # the proxy/stub as a failed run may have left it
  wine regsvr32 /s Lexigarde.dll || echec "regsvr32 Lexigarde.dll"
  client sta fichiers sans-proxy
  wine reg export HKCR "Z:$travail/avant.reg" /y || echec "reg export"
  wine lexigarde.exe register || echec "register"
  wine lexigarde.exe status || echec "status"
  [ "$(grep -c 'registered: yes, class {404DD312-.*LexigardePS.dll' "$travail/sortie")" = 4 ] || echec "status: the proxy/stub"
  client mta
  wine regsvr32 /u /s LexigardePS.dll LexigardeScript.dll || echec "regsvr32 /u LexigardePS.dll LexigardeScript.dll"
  wine reg export HKCR "Z:$travail/apres.reg" /y || echec "reg export"
  cmp -s "$travail/avant.reg" "$travail/apres.reg" || echec "regsvr32 /u of what register added left HKCR changed"
  ;;
esac
