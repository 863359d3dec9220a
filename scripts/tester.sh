#!/bin/sh
# Builds the three targets and runs every test: the Linux build, the 64-bit
# Windows build under Wine, then the 32-bit Windows build (the product)
# under Wine's 32-bit runtime where this machine can be prepared for it.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)
for preset in host win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
ctest --preset host
ctest --preset win64
if preparation=$(scripts/preparer-wine32.sh 2>&1); then
  printf '%s\n' "$preparation"
  debut=$(date +%s)
  ctest --preset win32
  echo "tester: 32-bit stage took $(($(date +%s) - debut)) s"
else
  printf '%s\n' "$preparation"
  ctest --preset win32 -L statique
  echo "tester: 32-bit stage skipped: $(printf '%s\n' "$preparation" | tail -n 1 | sed 's/^preparer-wine32: skipped: //')"
fi
