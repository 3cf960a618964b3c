#!/usr/bin/env bash
# Makes the Wine prefix the Windows tests run in, once; no display is needed.
set -euo pipefail
prefix=$(realpath -m "$1")
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
  echo "Creating Wine prefix $prefix"
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
[ -f "$prefix/system.reg" ] || { echo "wine prefix was not created" >&2; exit 1; }
