#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs the whole test suite
# headless. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=debug
if [[ "$(uname -s)" == Darwin ]]; then
    preset=macos
fi
bash scripts/install-deps.sh
bash scripts/build.sh "$preset"
export QT_QPA_PLATFORM=offscreen
ctest --preset "$preset" -j "$(getconf _NPROCESSORS_ONLN)" --timeout 300
