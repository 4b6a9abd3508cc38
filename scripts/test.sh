#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs the whole test suite
# headless. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh debug
export QT_QPA_PLATFORM=offscreen
ctest --preset debug -j "$(nproc)" --timeout 300
