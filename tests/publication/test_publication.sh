#!/bin/sh
# The release target (package/publier.sh.in):
#   test_publication.sh reproductible BUILD_DIR SOURCE_DIR PRESET WORK_DIR
# builds the release of BUILD_DIR, then the same sources copied to another folder and built there
# later with the same SOURCE_DATE_EPOCH (tests left out), and compares the two byte for byte, naming
# each file that differs and its first differing byte;
#   test_publication.sh signee PRESET WORK_DIR SAMPLES PRISTINE_PREFIX
# signs the release of that second build with a certificate made here and thrown away, verifies
# every signature against its authority and refuses one byte changed, finds each binary without
# its signature the unsigned one, builds it again to the same bytes, then installs the signed MSI under 64-bit Wine over the unsigned one of the same version,
# as the README tells administrators to, and uses what it installed.
set -eu
mode=$1
shift
echec() { echo "test_publication.sh ($mode): $*" >&2; exit 1; }

if [ "$mode" = reproductible ]; then
  construction=$1 source=$2 preset=$3 travail=$4
  cmake --build "$construction" --target release >"$travail.log" 2>&1 || { cat "$travail.log"; echec "release of $construction"; }
  rm -rf "$travail" && mkdir -p "$travail/ailleurs/sources"
  copie="$travail/ailleurs/sources"
  tar -C "$source" --exclude=./build --exclude=./.git -cf - . | tar -C "$copie" -xf -
  (
    cd "$copie"
    export SOURCE_DATE_EPOCH="$(cat "$construction/epoque")"
    cmake --preset "$preset" -DLEXIGARDE_TESTS=OFF && cmake --build --preset "$preset" -j2 --target release
  ) >"$travail/construction.log" 2>&1 || { tail -n 30 "$travail/construction.log"; echec "the second build"; }
  autre="$copie/build/$preset"
  differents=0
  for fichier in bin/Lexigarde.dll bin/LexigardePS.dll bin/LexigardeScript.dll bin/lexigarde.exe bin/Lexigarde.tlb \
    release/SHA256SUMS $(cd "$construction" && ls release/*.zip release/*.msi); do
    # cmp names the file and the first byte that differs.
    cmp "$construction/$fichier" "$autre/$fichier" || differents=$((differents + 1))
  done
  [ $differents -eq 0 ] || echec "$differents files differ between $construction and $autre"
  exec "$source/tests/paquet/test_paquet.sh" fichiers "$(ls "$construction"/release/*.zip)"
fi

[ "$mode" = signee ] || echec "no mode $mode"
preset=$1 travail=$2 exemples=$3 vierge=$4
construction="$travail/ailleurs/sources/build/$preset"
# The copy's sources are no git checkout: their time is the first build's, given again.
export SOURCE_DATE_EPOCH="$(cat "$construction/epoque")"
signature="$travail/signature"
rm -rf "$signature" && mkdir -p "$signature" && cd "$signature"
# A certificate authority and a code-signing certificate it issued, for this test only.
openssl req -x509 -newkey rsa:2048 -nodes -keyout ac.key -out ac.pem -days 2 -subj "/CN=Lexigarde test CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign >openssl.log 2>&1
openssl req -newkey rsa:2048 -nodes -keyout signataire.key -out signataire.csr -subj "/CN=Lexigarde test signer" >>openssl.log 2>&1
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >extensions.cnf
openssl x509 -req -in signataire.csr -CA ac.pem -CAkey ac.key -CAcreateserial -days 2 -extfile extensions.cnf \
  -out signataire.pem >>openssl.log 2>&1 || { cat openssl.log; echec "openssl"; }
publier() {
  cmake --build "$construction" --target release >publication.log 2>&1 || { cat publication.log; echec "release"; }
}
# Unsigned first (whatever a run before left configured), then signed.
cmake -DLEXIGARDE_SIGN_CERT= -DLEXIGARDE_SIGN_KEY= "$construction" >configuration.log 2>&1 || { cat configuration.log; echec "configure"; }
publier
cp "$construction"/release/*.msi non-signe.msi
mkdir non-signe && (cd non-signe && cmake -E tar xf "$construction"/release/*.zip)
cmake -DLEXIGARDE_SIGN_CERT="$signature/signataire.pem" -DLEXIGARDE_SIGN_KEY="$signature/signataire.key" \
  "$construction" >configuration.log 2>&1 || { cat configuration.log; echec "configure with a certificate"; }
publier
msi=$(ls "$construction"/release/*.msi)
cmake -E tar xf "$construction"/release/*.zip
verifier() {
  osslsigncode verify -CAfile ac.pem -in "$1" >verification.log 2>&1 || { cat verification.log; echec "$1: no valid signature"; }
}
binaires=$(ls -d Lexigarde-*/bin/*.dll Lexigarde-*/bin/*.exe)
[ "$(echo "$binaires" | wc -l)" = 4 ] || echec "not the four binaries in the zip: $binaires"
for fichier in $binaires "$msi"; do
  verifier "$fichier"
done
# Without its signature, each binary is the unsigned build's, byte for byte: what anyone without
# the key can rebuild and compare.
for fichier in $binaires; do
  rm -f sans-signature
  osslsigncode remove-signature -in "$fichier" -out sans-signature >verification.log 2>&1 || { cat verification.log; echec "remove-signature"; }
  cmp sans-signature "non-signe/$fichier" || echec "$fichier, its signature removed, is not the unsigned build's"
done
# One byte changed past the headers, in the code: the signature no longer holds.
cp "$(echo "$binaires" | head -n 1)" altere
printf '\377' | dd of=altere bs=1 seek=4096 conv=notrunc 2>/dev/null
! osslsigncode verify -CAfile ac.pem -in altere >verification.log 2>&1 || echec "a changed byte still verifies"
# The signing time is the sources' too: signed again later, the same bytes.
cp "$construction/release/SHA256SUMS" premiere
sleep 1
publier
cmp premiere "$construction/release/SHA256SUMS" || echec "signed twice, two releases"

# Under Wine: the unsigned package, then the signed one of the same version as a small update.
export WINEPREFIX="$signature/prefixe" WINEDEBUG=-all WINEDLLOVERRIDES=winedbg.exe=d
cp -a "$vierge" "$WINEPREFIX"
trap '/usr/lib/wine/wineserver64 -k 2>/dev/null || true' EXIT
wine() { /usr/lib/wine/wine64 "$@" >sortie 2>&1 </dev/null || { cat sortie; echec "wine $*"; }; }
wine msiexec /i "Z:$signature/non-signe.msi" /qn
wine msiexec /i "Z:$msi" REINSTALL=ALL REINSTALLMODE=vamus /qn
installe="$WINEPREFIX/drive_c/Program Files/Lexigarde"
for fichier in Lexigarde.dll LexigardePS.dll LexigardeScript.dll lexigarde.exe; do
  verifier "$installe/$fichier"
done
(cd "$installe" && /usr/lib/wine/wine64 lexigarde.exe --registry translate -o "Z:$signature/texte.html" \
  "Z:$exemples/texte-latin1.txt" >"$signature/sortie" 2>&1 </dev/null) || { cat sortie; echec "the signed tool"; }
cmp texte.html "$exemples/texte-latin1.html" || echec "the signed tool's translation"
