#!/usr/bin/env bash
# Builds and passes every test: natively on the simulated machine, under AddressSanitizer
# and UndefinedBehaviorSanitizer, and as 32-bit Windows programs under Wine.
# Usage: scripts/test.sh [preset ...]   (default: native asan windows)
set -euo pipefail
cd "$(dirname "$0")/.."
presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(native asan windows)

need=native
for p in "${presets[@]}"; do [ "$p" = windows ] && need=all; done
scripts/install-deps.sh "$need"

jobs=$(nproc)
for preset in "${presets[@]}"; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  if [ "$preset" = windows ]; then
    scripts/wine-prefix.sh build/windows/wineprefix
    # One Wine prefix holds one registry and drive C: for all suites, so they take turns.
    ctest --preset "$preset"
  else
    ctest --preset "$preset" -j "$jobs"
  fi
done
