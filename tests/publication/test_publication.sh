#!/bin/sh
# The release target. reproductible BUILD_DIR SOURCE_DIR PRESET WORK_DIR: BUILD_DIR's release against
# that of the sources copied elsewhere and built there later (tests left out), file by file, cmp
# naming the first byte that differs. signee PRESET WORK_DIR SAMPLES PRISTINE_PREFIX: that second
# build signed with a certificate made for the test: each signature verified, each binary without
# its signature the unsigned one, signed again the same bytes; then
# under 64-bit Wine the signed MSI over the unsigned one, as the README's small update, and used.
set -eu
mode=$1
shift
echec() { echo "test_publication.sh ($mode): $*" >&2; exit 1; }
faire() { "$@" >"$journal" 2>&1 || { tail -n 30 "$journal"; echec "$*"; }; }

if [ "$mode" = reproductible ]; then
  construction=$1 source=$2 preset=$3 journal=$4.log copie=$4/ailleurs/sources
  faire cmake --build "$construction" --target release
  rm -rf "$4" && mkdir -p "$copie"
  tar -C "$source" --exclude=./build --exclude=./.git -cf - . | tar -C "$copie" -xf -
  export SOURCE_DATE_EPOCH="$(cat "$construction/epoque")"
  cd "$copie" && faire cmake --preset "$preset" -DLEXIGARDE_TESTS=OFF && faire cmake --build --preset "$preset" -j2 --target release
  differents=0
  for fichier in bin/Lexigarde.dll bin/LexigardePS.dll bin/LexigardeScript.dll bin/lexigarde.exe bin/Lexigarde.tlb \
    release/SHA256SUMS $(cd "$construction" && ls release/*.zip release/*.msi); do
    cmp "$construction/$fichier" "build/$preset/$fichier" || differents=$((differents + 1))
  done
  [ $differents -eq 0 ] || echec "$differents files differ between $construction and $copie/build/$preset"
  exec "$source/tests/paquet/test_paquet.sh" fichiers "$(ls "$construction"/release/*.zip)"
fi

construction=$2/ailleurs/sources/build/$1 exemples=$3 journal=$2/signature/journal
export SOURCE_DATE_EPOCH="$(cat "$construction/epoque")" # the copy is no git checkout
rm -rf "$2/signature" && mkdir -p "$2/signature" && cd "$2/signature"
faire openssl req -x509 -newkey rsa:2048 -nodes -keyout ac.key -out ac.pem -days 2 -subj /CN=CA \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign
faire openssl req -newkey rsa:2048 -nodes -keyout cle.pem -out demande.csr -subj /CN=Lexigarde
printf 'keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >extensions.cnf
faire openssl x509 -req -in demande.csr -CA ac.pem -CAkey ac.key -CAcreateserial -days 2 -extfile extensions.cnf -out certificat.pem
# Unsigned first (whatever a run before left configured), then signed.
faire cmake -DLEXIGARDE_SIGN_CERT= -DLEXIGARDE_SIGN_KEY= "$construction"
faire cmake --build "$construction" --target release
mkdir non-signe && cp "$construction"/release/*.msi non-signe.msi && (cd non-signe && cmake -E tar xf "$construction"/release/*.zip)
printf 'extendedKeyUsage=serverAuth\n' >serveur.cnf
faire openssl x509 -req -in demande.csr -CA ac.pem -CAkey ac.key -CAcreateserial -days 2 -extfile serveur.cnf -out serveur.pem
faire cmake -DLEXIGARDE_SIGN_CERT="$PWD/serveur.pem" -DLEXIGARDE_SIGN_KEY="$PWD/cle.pem" "$construction"
! cmake --build "$construction" --target release >"$journal" 2>&1 || echec "signed with a certificate not for code signing"
[ ! -e "$construction/release" ] || echec "a failed release left its folder"
faire cmake -DLEXIGARDE_SIGN_CERT="$PWD/certificat.pem" -DLEXIGARDE_SIGN_KEY="$PWD/cle.pem" "$construction"
faire cmake --build "$construction" --target release
msi=$(ls "$construction"/release/*.msi)
cmake -E tar xf "$construction"/release/*.zip
for fichier in Lexigarde-*/bin/*.dll Lexigarde-*/bin/*.exe "$msi"; do
  faire osslsigncode verify -CAfile ac.pem -in "$fichier"
done
for fichier in Lexigarde-*/bin/*.dll Lexigarde-*/bin/*.exe; do
  rm -f sans-signature && faire osslsigncode remove-signature -in "$fichier" -out sans-signature
  cmp sans-signature "non-signe/$fichier" || echec "$fichier without its signature is not the unsigned one"
done
cp "$construction/release/SHA256SUMS" premiere && sleep 1 && faire cmake --build "$construction" --target release
cmp premiere "$construction/release/SHA256SUMS" || echec "signed twice, two releases"

export WINEPREFIX="$PWD/prefixe" WINEDEBUG=-all WINEDLLOVERRIDES=winedbg.exe=d
cp -a "$4" "$WINEPREFIX"
trap '/usr/lib/wine/wineserver64 -k 2>/dev/null || true' EXIT
faire /usr/lib/wine/wine64 msiexec /i "Z:$PWD/non-signe.msi" /qn </dev/null
faire /usr/lib/wine/wine64 msiexec /i "Z:$msi" REINSTALL=ALL REINSTALLMODE=vamus /qn </dev/null
cd "$WINEPREFIX/drive_c/Program Files/Lexigarde"
for fichier in Lexigarde.dll LexigardePS.dll LexigardeScript.dll lexigarde.exe; do
  faire osslsigncode verify -CAfile "$2/signature/ac.pem" -in "$fichier"
done
faire /usr/lib/wine/wine64 lexigarde.exe --registry translate -o "Z:$2/signature/texte.html" "Z:$exemples/texte-latin1.txt" </dev/null
cmp "$2/signature/texte.html" "$exemples/texte-latin1.html" || echec "the signed tool's translation"
