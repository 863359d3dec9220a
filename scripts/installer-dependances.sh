#!/bin/sh
# Installs, on Debian 12, what building and testing Lexigarde needs: CMake,
# the host compiler, GoogleTest's sources, the MinGW-w64 cross-compilers
# (posix thread model) with widl, the IDL files widl imports (libwine-dev),
# Wine for 64-bit programs, wixl for the MSI, CLI11 for the client tool, and
# for the sanitizer and fuzzing builds clang with its runtimes (libFuzzer
# among them) and llvm-symbolizer for readable reports (gcc's ThreadSanitizer
# comes with g++). The release: msitools (msibuild, msiinfo) and faketime for
# the MSI's fixed summary, zip, osslsigncode to sign, openssl for the signing
# test's certificates, git for the commit's time. Safe to run again.
set -eu
paquets="cmake g++ make googletest g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
mingw-w64-tools libwine-dev binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 util-linux
libcli11-dev clang libclang-rt-14-dev llvm wixl msitools faketime zip osslsigncode openssl git"
manquants=""
for paquet in $paquets; do
  dpkg-query -W -f='${Status}' "$paquet" 2>/dev/null | grep -q "ok installed" || manquants="$manquants $paquet"
done
if [ -z "$manquants" ]; then
  echo "installer-dependances: everything is installed"
  exit 0
fi
echo "installer-dependances: installing$manquants"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $manquants
