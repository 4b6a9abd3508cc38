#!/usr/bin/env bash
# Configures and builds Scanbrook into build/<preset> (debug or release, with warnings as errors;
# on a Mac the macos preset, the default there).
set -euo pipefail
cd "$(dirname "$0")/.."
default=release
if [[ "$(uname -s)" == Darwin ]]; then
    default=macos
fi
preset="${1:-$default}"
cmake --preset "$preset" >/dev/null
# getconf, not nproc, which a Mac lacks.
cmake --build --preset "$preset" -j "$(getconf _NPROCESSORS_ONLN)"
