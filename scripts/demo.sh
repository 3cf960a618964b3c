#!/usr/bin/env bash
# The main job: builds the libraries and the bench natively and walks the demo's roads on
# a fresh copy of the sample machine, printing the bench's report for every step.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target cabench
build/native/bin/cabench demo "$@"
