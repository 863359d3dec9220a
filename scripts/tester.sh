#!/bin/sh
# Builds the three targets and runs every test: the Linux build, the 64-bit
# Windows build under Wine, and the 32-bit Windows build (the product).
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)
for preset in host win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
ctest --preset host
ctest --preset win64
if scripts/wine32.sh --verifier >/dev/null 2>&1; then
  ctest --preset win32
else
  ctest --preset win32 -L statique
  echo "tester: 32-bit Wine stage skipped: $(scripts/wine32.sh --verifier 2>&1 | tail -n 1)"
fi
