#!/usr/bin/env bash
# The main job: builds the libraries and the bench natively and runs the bench's demo on
# a simulated machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)" --target bench
build/native/bin/bench
