#!/bin/bash
# Runs a Windows program under Wine inside the test environment that wine-env.sh started.
# The environment is found through TAGWEDGE_WINE_ENV, else as wine-env/ beside or above the program.
# The loader follows the program's machine type; the exit code is the program's.
set -u
exe=${1:?usage: wine-run.sh PROGRAM.exe [ARGS...]}
shift

state=${TAGWEDGE_WINE_ENV:-}
if [ -z "$state" ]; then
  dir=$(cd "$(dirname "$exe")" && pwd)
  while [ "$dir" != / ] && [ ! -f "$dir/wine-env/env" ]; do dir=$(dirname "$dir"); done
  state=$dir/wine-env
fi
[ -f "$state/env" ] || { echo "wine-run: no running Wine environment at $state" >&2; exit 1; }
. "$state/env"

# IMAGE_FILE_HEADER.Machine, two bytes after the "PE\0\0" that e_lfanew points to.
pe=$(od -An -t u4 -j 60 -N 4 "$exe" | tr -d ' ')
machine=$(od -An -t x2 -j $((pe + 4)) -N 2 "$exe" | tr -d ' ')
case $machine in
  8664) export WINELOADER=/usr/lib/wine/wine64 ;;
  014c) export WINELOADER=/usr/lib/wine/wine ;;
  *) echo "wine-run: $exe is no x86 or x86-64 Windows program (machine $machine)" >&2; exit 1 ;;
esac

# Output goes through a file: Wine processes that the program starts (the desktop) inherit it and
# may outlive the program, and must not hold the caller's pipe open. The file stays in log/, so the
# output of a program that ran out of time can still be read.
out=$state/log/$(basename "$exe").out
"$WINELOADER" "$exe" "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
exit $rc
