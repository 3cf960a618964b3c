#!/usr/bin/env bash
# Measures the simulated machine's file and registry calls at real sizes in an optimized
# build, against the host doing the same file work and against a tenth of the registry
# data, and prints the figures. Exits 0 when every figure is within its bound, 1 otherwise.
# Usage: scripts/speed.sh [Google Benchmark options, e.g. --benchmark_filter=registry]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native

cmake --preset release >/dev/null
cmake --build --preset release --target winsim_speed -j "$(nproc)"
exec build/release/bin/winsim_speed "$@"
