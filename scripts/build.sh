#!/usr/bin/env bash
# Configures and builds Scanbrook into build/<preset> (debug or release) with warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
