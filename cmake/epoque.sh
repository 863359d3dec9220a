#!/bin/sh
# Runs one step of the build at the sources' time, the one cmake/epoque.cmake
# wrote to EPOCH_FILE:
#   epoque.sh EPOCH_FILE [--horloge FAKETIME] COMMAND [ARGS...]
# SOURCE_DATE_EPOCH for the tools that read it (Debian's MinGW linker writes
# it in the PE header in place of the clock's time); with --horloge, the
# clock itself stopped there (-f: not merely started there), in UTC, for a
# tool that reads only the clock (widl dates the type library, wixl the MSI).
# Without a time, the step runs as it is.
epoque=$(cat "$1" 2>/dev/null || true)
shift
faketime=
if [ "$1" = --horloge ]; then
  faketime=$2
  shift 2
fi
[ -n "$epoque" ] || exec "$@"
export SOURCE_DATE_EPOCH="$epoque"
[ -n "$faketime" ] || exec "$@"
export TZ=UTC
exec "$faketime" -f "$(date -u -d "@$epoque" '+%Y-%m-%d %H:%M:%S')" "$@"
