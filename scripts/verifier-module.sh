#!/bin/sh
# Checks what a built Lexigarde.dll (or LexigardePS.dll, LexigardeScript.dll) shows the world.
#   verifier-module.sh windows OBJDUMP MODULE ORDINAL:NAME...
#     the export table names the library as its file is named and holds
#     exactly these undecorated names with these ordinals (NAME alone: any
#     ordinal); only system DLLs are imported.
#   verifier-module.sh linux NM MODULE NAME...
#     the dynamic symbol table defines exactly these functions.
set -eu
systeme=$1 outil=$2 module=$3
shift 3
echec() { echo "verifier-module: $module: $*" >&2; exit 1; }
nom=$(basename "$module")
# The proxy/stub library also needs COM's marshalling runtime.
systeme_permis="kernel32.dll msvcrt.dll advapi32.dll ole32.dll"
case $nom in
Lexigarde.dll) ;;
LexigardePS.dll) systeme_permis="$systeme_permis rpcrt4.dll oleaut32.dll" ;;
LexigardeScript.dll) systeme_permis="$systeme_permis oleaut32.dll" ;;
*) echec "the module file must be named Lexigarde.dll, LexigardePS.dll or LexigardeScript.dll" ;;
esac
attendus=$(printf '%s\n' "$@" | sort)

case $systeme in
windows)
  table=$("$outil" -p "$module")
  printf '%s\n' "$table" | grep -Eq "^Name[[:space:]]+[0-9a-f]+ $nom\$" ||
    echec "the export table does not name the library $nom"
  base=$(printf '%s\n' "$table" | sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\).*/\1/p' | head -n 1)
  [ -n "$base" ] || echec "no export table"
  # The name table lists each name with its index into the address table,
  # that is its ordinal less the base.
  trouves=$(printf '%s\n' "$table" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p' |
    while read -r index fonction; do echo "$((index + base)):$fonction"; done | sort)
  # Names given without an ordinal match any ordinal.
  case "$*" in *:*) ;; *) trouves=$(printf '%s\n' "$trouves" | sed 's/^[0-9]*://' | sort) ;; esac
  [ "$trouves" = "$attendus" ] || echec "exports are
$trouves
expected
$attendus"
  importes=$(printf '%s\n' "$table" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  for dll in $importes; do
    case " $systeme_permis " in
    *" $dll "*) ;;
    *) echec "imports $dll, which a Windows machine may not have" ;;
    esac
  done
  echo "$module: exports $(echo $trouves); imports $(echo $importes)"
  ;;
linux)
  trouves=$("$outil" -D --defined-only "$module" | awk '{print $3}' | sort)
  [ "$trouves" = "$attendus" ] || echec "exports are
$trouves
expected
$attendus"
  echo "$module: exports $(echo $trouves)"
  ;;
*) echec "unknown system $systeme" ;;
esac
