#!/bin/sh
# Builds the three targets and runs every test: the Linux build, then the
# same suite under AddressSanitizer (with UndefinedBehaviorSanitizer and
# LeakSanitizer) and ThreadSanitizer, each fuzz target for a bounded time,
# the 64-bit Windows build under Wine, then the 32-bit Windows build (the
# product) under Wine's 32-bit runtime where this machine can be prepared
# for it.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)
for preset in host win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
ctest --preset host
for preset in host-asan host-tsan; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset"
done
# Each fuzz target from its saved corpus, for LEXIGARDE_DUREE_FUZZ seconds;
# what it finds goes to a scratch folder, a failing input to build/host-fuzz.
# libFuzzer puts the C++ library ahead of the shared AddressSanitizer
# runtime, which only loses the runtime's own operator new: the order check
# is off.
cmake --preset host-fuzz >/dev/null
cmake --build --preset host-fuzz -j "$jobs"
export ASAN_OPTIONS=verify_asan_link_order=0
for cible in valider activation registre traduction; do
  trouves=$(mktemp -d)
  if ! build/host-fuzz/bin/fuzz_$cible -max_total_time="${LEXIGARDE_DUREE_FUZZ:-60}" -timeout=30 \
      -print_final_stats=1 -artifact_prefix=build/host-fuzz/ "$trouves" fuzz/corpus/$cible >"$trouves.log" 2>&1; then
    tail -n 60 "$trouves.log"
    exit 1
  fi
  echo "tester: fuzz_$cible: $(sed -n 's/^stat::number_of_executed_units: *//p' "$trouves.log") executions" \
       "in ${LEXIGARDE_DUREE_FUZZ:-60} s, $(ls "$trouves" | wc -l) new inputs"
  rm -rf "$trouves" "$trouves.log"
done
ctest --preset host-fuzz
unset ASAN_OPTIONS
# The 32-bit side of Wine is set up first: the one Wine prefix that every
# Windows test copies is then made with it.
preparation=$(scripts/preparer-wine32.sh 2>&1) && prepare=1 || prepare=0
printf '%s\n' "$preparation"
ctest --preset win64
if [ "$prepare" -eq 1 ]; then
  debut=$(date +%s)
  ctest --preset win32
  echo "tester: 32-bit stage took $(($(date +%s) - debut)) s"
else
  ctest --preset win32 -L statique
  echo "tester: 32-bit stage skipped: $(printf '%s\n' "$preparation" | tail -n 1 | sed 's/^preparer-wine32: skipped: //')"
fi
