#!/bin/sh
# Builds the benchmarks (preset bench: Release, no link-time optimisation)
# and prints their tables: Lexigarde.dll against the floors of its
# algorithms in one run, callgrind's instructions per call, and the client
# tool against recode and Python's html.escape. Installs what it needs and
# is missing (CI does not run it). Takes a few minutes and 1 GiB in $TMPDIR.
#
#   scripts/bench.sh [--repetitions N] [--sortie FICHIER] [--outils] [--avant BIN_DIR]
#   (--outils: the tool only; --avant: also the tool of another build, in the same run)
set -eu
cd "$(dirname "$0")/.."
paquets="cmake g++ make libbenchmark-dev gperf recode valgrind python3"
manquants=""
for paquet in $paquets; do
  dpkg-query -W -f='${Status}' "$paquet" 2>/dev/null | grep -q "ok installed" || manquants="$manquants $paquet"
done
if [ -n "$manquants" ]; then
  echo "bench: installing$manquants" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $manquants
fi
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)" >/dev/null
exec /usr/bin/python3 bench/rapport.py build/bench/bin "$@"
